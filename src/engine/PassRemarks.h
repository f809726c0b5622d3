#pragma once

#include <set>
#include <string>

#include "engine/PassOutcome.h"

namespace quillarc {

/// What a pass has to say of the files it met: what it missed and why, and
/// its notes on files it copied, each list kept to the same bound while
/// every miss is counted.
class PassRemarks {
public:
    PassOutcome &outcome() { return m_outcome; }
    const PassOutcome &outcome() const { return m_outcome; }

    /// A new item: its folders may be named again.
    void beginItem() { m_namedFolders.clear(); }

    /// Counts a missed file or folder, and names it while the bound allows.
    void missed(const std::string &path, const std::string &cause);
    /// The same, once per item for a path named already (a folder whose
    /// every file would say the same).
    void missedOnce(const std::string &path, const std::string &cause);
    /// A remark on a file that was not missed.
    void note(const std::string &path, const std::string &text);

private:
    PassOutcome m_outcome;
    std::set<std::string> m_namedFolders; ///< of the item in hand
};

} // namespace quillarc

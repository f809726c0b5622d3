#pragma once

#include "base/UniqueFd.h"

#include <string>

namespace quillarc {

/// What keeps passes away from a program folder while files are got back
/// from its disks: a disk plugged in to restore from must not be written to
/// first by a pass that its mount started.
///
/// The hold is a shared `flock` on the program folder, the same lock a pass
/// takes exclusively: no pass starts while any restore holds it, however the
/// pass was started, and two restores (two windows, the window and the
/// runner) hold it together. The kernel lets go when the holder ends in any
/// way, so a killed restore never keeps passes away.
class RestoreHold {
public:
    enum class Result {
        Taken,
        PassRunning, ///< a pass holds the folder; nothing is held
        Unlockable,  ///< the folder cannot be opened or locked; nothing is held
    };

    /// Holds `programFolder` without waiting.
    Result take(const std::string &programFolder);
    void release() { m_folder.reset(); }
    bool held() const { return m_folder.valid(); }

    /// Whether a restore holds `programFolder` at this moment (and no pass
    /// does): a pass due to start waits rather than be refused.
    static bool restoreRunning(const std::string &programFolder);

private:
    UniqueFd m_folder;
};

} // namespace quillarc

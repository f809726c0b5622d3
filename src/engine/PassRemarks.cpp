#include "engine/PassRemarks.h"

namespace quillarc {

void PassRemarks::missed(const std::string &path, const std::string &cause)
{
    ++m_outcome.filesMissed;
    if (m_outcome.missed.size() < PassOutcome::kMissedKept)
        m_outcome.missed.push_back({path, cause});
}

void PassRemarks::missedOnce(const std::string &path, const std::string &cause)
{
    if (m_namedFolders.insert(path).second)
        missed(path, cause);
}

void PassRemarks::note(const std::string &path, const std::string &text)
{
    if (m_outcome.notes.size() < PassOutcome::kMissedKept)
        m_outcome.notes.push_back({path, text});
}

} // namespace quillarc

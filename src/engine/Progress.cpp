#include "engine/Progress.h"

namespace quillarc::Progress {

int totalBar(std::int64_t itemsSized, std::int64_t itemCount)
{
    if (itemCount <= 0)
        return 0;
    return static_cast<int>(static_cast<double>(itemsSized) / static_cast<double>(itemCount) * 100.0);
}

int folderBar(std::int64_t done, std::int64_t total)
{
    if (total <= 0)
        return 0;
    const double percent = static_cast<double>(done) / static_cast<double>(total) * 100.0;
    return percent >= 100.0 ? 0 : static_cast<int>(percent);
}

} // namespace quillarc::Progress

#include "engine/Progress.h"

#include <limits>

namespace quillarc::Progress {

namespace {

// part / whole * 100, truncated toward zero. Whole numbers where they cannot
// overflow: in binary floating point 29 / 100 * 100 comes out just below 29.
std::int64_t percentOf(std::int64_t part, std::int64_t whole)
{
    if (part >= 0 && part <= std::numeric_limits<std::int64_t>::max() / 100)
        return part * 100 / whole;
    return static_cast<std::int64_t>(static_cast<long double>(part) / static_cast<long double>(whole) * 100.0L);
}

} // namespace

int totalBar(std::int64_t itemsSized, std::int64_t itemCount)
{
    if (itemCount <= 0)
        return 0;
    return static_cast<int>(percentOf(itemsSized, itemCount));
}

int folderBar(std::int64_t done, std::int64_t total)
{
    if (total <= 0)
        return 0;
    const std::int64_t percent = percentOf(done, total);
    return percent >= 100 ? 0 : static_cast<int>(percent);
}

} // namespace quillarc::Progress

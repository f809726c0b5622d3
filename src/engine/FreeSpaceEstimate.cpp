#include "engine/FreeSpaceEstimate.h"

#include "platform/VolumeHost.h"

#include <algorithm>
#include <utility>

namespace quillarc {

FreeSpaceEstimate::FreeSpaceEstimate(const VolumeHost &host, std::string driveRoot)
    : host_(host), driveRoot_(std::move(driveRoot))
{
}

std::int64_t FreeSpaceEstimate::forCopy(std::int64_t size)
{
    const auto now = std::chrono::steady_clock::now();
    if (!known_ || estimate_ < size || now - asked_ > std::chrono::seconds(1)) {
        estimate_ = host_.freeBytes(driveRoot_);
        asked_ = now;
        known_ = true;
    }
    return estimate_;
}

void FreeSpaceEstimate::wrote(std::int64_t spaceTaken)
{
    if (estimate_ >= 0)
        estimate_ = std::max<std::int64_t>(0, estimate_ - spaceTaken);
}

} // namespace quillarc

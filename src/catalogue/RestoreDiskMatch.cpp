#include "catalogue/RestoreDiskMatch.h"

#include "base/AsciiCase.h"

#include <algorithm>

namespace quillarc {

namespace {

bool sameUuid(const std::string &a, const std::string &b)
{
    return toLowerAscii(a) == toLowerAscii(b);
}

} // namespace

bool isPlannedDisk(const RestorePlan &plan, const DiskPlan &disk, const std::string &label, const std::string &uuid)
{
    if (!uuid.empty() && !disk.uuid.empty())
        return sameUuid(uuid, disk.uuid);
    if (label != disk.label)
        return false;
    if (uuid.empty())
        return true;
    return std::none_of(plan.disks.begin(), plan.disks.end(), [&](const DiskPlan &other) {
        return other.diskId != disk.diskId && !other.uuid.empty() && sameUuid(other.uuid, uuid);
    });
}

} // namespace quillarc

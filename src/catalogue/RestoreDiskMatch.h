#pragma once

#include "catalogue/RestorePlan.h"

#include <string>

namespace quillarc {

/// Whether the disk in hand, with its label and its file system's UUID (empty
/// when it could not be read), is the disk `disk` of the plan. Two disks may
/// carry one label: where both UUIDs are known they decide, and a disk whose
/// UUID belongs to another disk of the plan is never taken for this one by
/// its label. Where no UUID tells, the label does; the content hash of every
/// file read still catches a disk mistaken for another.
bool isPlannedDisk(const RestorePlan &plan, const DiskPlan &disk, const std::string &label, const std::string &uuid);

} // namespace quillarc

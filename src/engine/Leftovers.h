#pragma once

#include <string_view>

#include "base/UniqueFd.h"

namespace quillarc::leftovers {

/// Where copies are written under a temporary name where the disk cannot
/// write them unnamed (FAT, FUSE): in the program's own folder on the disk,
/// never in the mirror, so that nothing half-written stands where a
/// `cp -a` of the disk would bring it back as a file of the mirror, and a
/// source file of any name is never taken for one.
inline constexpr std::string_view kPartsFolder = ".quillarc/part";

/// The folder of temporary copies on the disk whose root is `rootFd`, made
/// when missing.
UniqueFd partsFolder(int rootFd);

/// Removes what a pass that died left in the folder of temporary copies.
/// Called before a pass writes to the disk; a pass holds the disk's lock,
/// so no other pass is writing there. The number of files removed.
int removeLeftovers(int rootFd);

} // namespace quillarc::leftovers

#pragma once

#include "cli/PassOptions.h"

namespace quillarc {

/// quillarc-pass --versions PATH: lists the versions the disk in the drive
/// keeps of the file or folder PATH (its source path), oldest first, with
/// the date of the pass that kept each, its length and where it lies on
/// the disk. 0 with versions listed, 1 with none, 2 without a disk.
int listVersions(const PassOptions &options);

} // namespace quillarc

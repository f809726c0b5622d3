#pragma once

#include "cli/PassOptions.h"

namespace quillarc {

/// Gets the files and folders of --restore back from the backup disks, as
/// the program folder's catalogue knows them: prints the plan, then
/// restores disk by disk, the disk in the drive first, asking for each
/// other disk by its label on a terminal (without one it names what needs
/// another disk). Returns the exit status: 0 when every file is back, 1
/// when some is not, 2 when no restore was started.
int runRestore(const PassOptions &options);

} // namespace quillarc

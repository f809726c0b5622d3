#pragma once

#include "cli/PassOptions.h"

namespace quillarc {

/// quillarc-pass --auto on|off: sets whether passes onto the disk in the
/// drive start by themselves when it is mounted. Prints what was done and
/// returns the exit status (2 when nothing was saved).
int setAutoBackup(const PassOptions &options);

} // namespace quillarc

#pragma once

#include "cli/PassOptions.h"

namespace quillarc {

/// Exit statuses of quillarc-pass.
enum PassExit : int {
    ExitComplete = 0, ///< "Complete..."
    ExitEnded = 1,    ///< any other ending of a pass
    ExitRefused = 2,  ///< no pass was started
};

/// One pass over the list of the disk in the drive, as the window's Backup
/// command runs it, reporting on the terminal. Returns the exit status.
int runPass(const PassOptions &options);

} // namespace quillarc

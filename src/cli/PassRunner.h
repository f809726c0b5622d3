#pragma once

#include "cli/PassOptions.h"

namespace quillarc {

/// Exit statuses of quillarc-pass.
enum PassExit : int {
    ExitComplete = 0, ///< "Complete...", nothing missed, list saved
    ExitEnded = 1,    ///< any other ending: stopped, aborted, files missed, list not saved, output lost
    ExitRefused = 2,  ///< no pass was started
};

/// One pass over the list of the disk in the drive, as the window's Backup
/// command runs it, reporting on the terminal. Returns the exit status.
int runPass(const PassOptions &options);

} // namespace quillarc

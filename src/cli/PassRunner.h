#pragma once

#include "cli/PassOptions.h"
#include "engine/PassOutcome.h"

#include <functional>
#include <string>

namespace quillarc {

/// Exit statuses of quillarc-pass.
enum PassExit : int {
    ExitComplete = 0, ///< "Complete...", nothing missed, list saved
    ExitEnded = 1,    ///< any other ending: stopped, aborted, files missed, list not saved, output lost
    ExitRefused = 2,  ///< no pass was started
};

class BackupRun;

/// How one run of runPass() went, for a caller that tells the desktop.
struct PassReport {
    std::string label;        ///< the disk's label, once read
    std::string refusal;      ///< why no pass was started; empty when one ran
    PassOutcome outcome;      ///< the ending, when a pass ran
    bool interrupted = false; ///< SIGINT, SIGTERM or SIGHUP aborted it
};

/// What a caller that runs passes itself (the mount watcher) adds to one.
struct PassHooks {
    /// Never ask on the terminal: the room question is answered Cancel and a
    /// full disk ends the pass as CANCEL does.
    bool neverAsk = false;
    /// Called on the caller's thread about ten times a second while the
    /// worker runs (to abort it, or to look at other things meanwhile).
    std::function<void(BackupRun &)> whilePassing;
    /// Filled in when given.
    PassReport *report = nullptr;
};

/// One pass over the list of the disk in the drive, as the window's Backup
/// command runs it, reporting on the terminal. Returns the exit status.
int runPass(const PassOptions &options, const PassHooks &hooks = {});

} // namespace quillarc

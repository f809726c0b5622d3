#pragma once

#include "cli/PassOptions.h"
#include "lists/ProgramConfig.h"

#include <string>

namespace quillarc {

/// The one way every command of the runner finds what it works on: the
/// program folder (made absolute, so that a log or file named in a message
/// is found from anywhere), its config, the backup drive given by --drive or
/// the config, and the label of the disk in it. Each step stops at the first
/// fault; `error` then says why, in the words the runner prints.
struct ChosenDisk {
    std::string programFolder; ///< absolute, ends in '/'
    std::string configPath;
    ProgramConfig config; ///< as read, with --drive in place of its drive
    std::string drive;    ///< ends in '/'
    std::string label;
    std::string error;

    /// The program folder only (the watcher needs no drive), and the
    /// refusal of a --drive that can never be a drive root: a command that
    /// waits for a disk must not wait on one it can never find.
    static ChosenDisk programFolderOf(const PassOptions &options);
    /// The program folder, its config and the drive; the label is not read.
    static ChosenDisk driveOf(const PassOptions &options);
    /// The program folder, the config, the drive and the label of the disk in it.
    static ChosenDisk of(const PassOptions &options);
};

} // namespace quillarc

#pragma once

#include "cli/PassOptions.h"

#include <string>

namespace quillarc {

/// The program folder, and the disk in the drive given by --drive or the
/// config, as the options name them; `error` says why not, in the words the
/// runner prints.
struct ChosenDisk {
    std::string programFolder; ///< ends in '/'
    std::string drive;         ///< ends in '/'
    std::string label;
    std::string error;

    /// The program folder only (the watcher needs no drive).
    static ChosenDisk programFolderOf(const PassOptions &options);
    /// The program folder, the drive and the label of the disk in it.
    static ChosenDisk of(const PassOptions &options);
};

} // namespace quillarc

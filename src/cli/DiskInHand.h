#pragma once

#include "cli/ChosenDisk.h"
#include "cli/PassOptions.h"

#include <cstdint>
#include <string>

namespace quillarc {

/// The disk in the drive as the catalogue's commands need it: the program
/// folder, the label, where the medium starts and its file system's UUID.
struct DiskInHand {
    ChosenDisk chosen;
    std::string root;  ///< the medium's root, ends in '/'
    std::string uuid;  ///< may be empty
    std::string error; ///< why there is none, in the words the runner prints

    static DiskInHand of(const PassOptions &options);
    std::int64_t freeBytes() const;
};

} // namespace quillarc

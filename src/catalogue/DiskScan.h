#pragma once

#include "catalogue/Catalogue.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillarc {

/// What reading a disk into the catalogue found.
struct DiskScanResult {
    std::int64_t files = 0;              ///< copies and versions recorded
    std::int64_t bytes = 0;              ///< their sizes
    std::int64_t kept = 0;               ///< of them, records the catalogue held already for the same bytes
    std::int64_t dropped = 0;            ///< records of copies no longer on the disk
    std::vector<std::string> unreadable; ///< "path: cause"
};

/// Catalogues the disk whose root is `root` (ends in '/') by reading every
/// copy on it and hashing it: the mirror below the root and the versions
/// under .quillarc/versions/<stamp>/, leaving out the program's own files.
/// A copy takes its own size, time, mode and owner; its source's
/// status-change time is unknown (0), so the next pass copies the file
/// again, unless the catalogue already held a record of the same bytes,
/// which is kept. Records of the disk whose copies are gone are dropped.
/// `progress` is told each path read. Commits as it goes.
DiskScanResult scanDisk(Catalogue &catalogue, std::int64_t disk, const std::string &root, const std::string &stamp,
                        const std::function<void(const std::string &path)> &progress = {});

} // namespace quillarc

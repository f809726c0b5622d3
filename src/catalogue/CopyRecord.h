#pragma once

#include "catalogue/Hash128.h"

#include <cstdint>
#include <string>

namespace quillarc {

/// One copy on one disk, as a pass wrote it.
struct CopyRecord {
    std::string path; ///< mirror path below the disk root, no leading '/': "home/ann/Docs/a.txt"
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;      ///< the copy's modification time (= the source's), ns since the epoch
    std::int64_t sourceChangedNs = 0; ///< the source's st_ctim when the copy began to be read; 0 = unknown
    std::uint32_t mode = 0;
    std::uint32_t uid = 0;
    std::uint32_t gid = 0;
    Hash128 hash;
    std::string passStamp; ///< disklayout::passStamp of the pass that made the copy

    friend bool operator==(const CopyRecord &, const CopyRecord &) = default;
};

/// One copy anywhere, as find and restore see it.
struct CopyEntry {
    std::int64_t diskId = 0;
    std::string diskLabel;
    std::string diskUuid;
    std::string diskLastSeen; ///< pass stamp of the last time the disk was seen; empty: never
    CopyRecord copy;
    /// Empty: the disk's current copy. Otherwise the pass that moved it into
    /// the versions: the file lies at .quillarc/versions/<versionStamp>/<copy.path>.
    std::string versionStamp;
};

} // namespace quillarc

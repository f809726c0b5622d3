#pragma once

#include "catalogue/Hash128.h"

#include <cstdint>
#include <string>

namespace quillarc {

struct CopyRecord {
    std::string path;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t sourceChangedNs = 0;
    std::uint32_t mode = 0, uid = 0, gid = 0;
    Hash128 hash;
    std::string passStamp;
};

struct CopyEntry {
    std::int64_t diskId = 0;
    std::string diskLabel, diskUuid;
    std::string diskLastSeen;
    CopyRecord copy;
    std::string versionStamp;
};

} // namespace quillarc

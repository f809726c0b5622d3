#pragma once

#include "catalogue/Hash128.h"

#include <cstdint>

namespace quillarc {

/// A whole file read and hashed.
struct FileRead {
    int error = 0; ///< errno of a failed read; 0 when every byte was read
    Hash128 hash;
    std::int64_t bytes = 0;
};

/// Reads the open file from its start to its end, hashing every byte. With
/// `pastCache`, the kernel's cached pages of the file are dropped first, so
/// that the bytes come from the disk itself and not from memory.
FileRead hashOpenFile(int fd, bool pastCache = false);

} // namespace quillarc

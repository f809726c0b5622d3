#pragma once

#include <cstdint>

namespace quillarc {

/// Where the open file's first byte lies on the device (FIEMAP), so that
/// files read in this order are read front to back; the inode number where
/// the file system does not say, which on most file systems follows the
/// order files were written in. Empty files come first.
std::uint64_t diskOrderKey(int fd);

} // namespace quillarc

#pragma once

#include <cstdint>
#include <sys/stat.h>

namespace quillarc {

/// The bytes a copy of the file `name` in the folder `dirFd` (described by
/// `st`) writes: its length, or for a sparse file (fewer blocks than
/// bytes) only the data between its holes, since the copy keeps the holes.
/// A 1 GiB disk image holding 1 MiB needs 1 MiB of room. The holes are
/// asked for only where the blocks say there are some; a file that
/// cannot tell counts in full.
std::int64_t bytesToWrite(int dirFd, const char *name, const struct stat &st);

/// The same for a file open as `fd`.
std::int64_t bytesToWrite(int fd, const struct stat &st);

} // namespace quillarc

#pragma once

#include "base/UniqueFd.h"
#include "catalogue/CopyRecord.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillarc {

/// Opens a copy below the disk root for reading, never through a link the
/// disk holds (a disk is data, and may have been written anywhere), and
/// without waiting on a FIFO planted there. Invalid with errno set when it
/// cannot.
UniqueFd openCopyOnDisk(int diskRoot, const std::string &path);

/// The content hash of an open file read from its start, to its end or
/// after `length` bytes when that is given (which saves asking for an end
/// the caller knows); nullopt (with errno set) on a read error.
std::optional<Hash128> hashOfFile(int fd, std::int64_t length = -1);

/// Copies the bytes of `from` into `to` (both at offset 0) in the kernel
/// where it can, to the end of `from` or after `length` bytes when that is
/// given; returns the number of bytes copied, or -1 with errno set.
std::int64_t copyAllBytes(int from, int to, std::int64_t length = -1);

/// Gives a restored file the mode and times its copy holds: the owner only
/// as root and only when that user exists, and without set-id bits when the
/// owner was not given, so the file is never more open than its copy.
/// `accessNs` is the copy's access time. Returns false with errno set.
bool applyCopyMetadata(int fd, const CopyRecord &copy, std::int64_t accessNs);

} // namespace quillarc

#pragma once

#include "catalogue/CopyRecord.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillarc {

/// The content hash of an open file read from its start; nullopt (with
/// errno set) on a read error.
std::optional<Hash128> hashOfFile(int fd);

/// Copies every byte of `from` into `to` (both at offset 0) in the kernel
/// where it can; returns the number of bytes copied, or -1 with errno set.
std::int64_t copyAllBytes(int from, int to);

/// Gives a restored file the mode and times its copy holds: the owner only
/// as root and only when that user exists, and without set-id bits when the
/// owner was not given, so the file is never more open than its copy.
/// `accessNs` is the copy's access time. Returns false with errno set.
bool applyCopyMetadata(int fd, const CopyRecord &copy, std::int64_t accessNs);

} // namespace quillarc

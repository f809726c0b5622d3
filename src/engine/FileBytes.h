#pragma once

#include <cstdint>
#include <sys/stat.h>
#include <vector>
#include <sys/types.h>
#include <unistd.h>

namespace quillarc {

class ContentHasher;

/// Copies the bytes of the open regular file `source` (described by
/// `sourceStat` as it was opened) into the empty file `target`, up to the
/// length it had then. The kernel moves the bytes where it can
/// (copy_file_range, then sendfile), else one large buffer does. A sparse
/// source stays sparse: only its data is copied and the holes are left as
/// holes. `copied` is the length the target reached. On failure `error` is
/// the errno and `readFailed` tells a fault of the source from one of the
/// target. With a `hasher`, every byte read (and the zeros of the holes) is
/// fed to it on its way, so that the content hash costs no second read; the
/// bytes then pass through the buffer rather than the kernel's copy.
bool copyFileBytes(int source, int target, const struct stat &sourceStat, std::vector<char> &buffer,
                   std::int64_t &copied, int &error, bool &readFailed, ContentHasher *hasher = nullptr);

/// The two reads of a source that copyFileBytes makes, replaceable so that
/// tests can make a source fail as a bad sector does (EIO).
struct SourceReads {
    ssize_t (*copyRange)(int in, loff_t *inOffset, int out, loff_t *outOffset, std::size_t length,
                         unsigned flags) = ::copy_file_range;
    ssize_t (*pread)(int fd, void *buffer, std::size_t length, off_t offset) = ::pread;
};
/// The reads in use; tests set them and put them back.
SourceReads &sourceReads();

} // namespace quillarc

#include "engine/FileBytes.h"

#include "catalogue/ContentHasher.h"

#include <algorithm>
#include <cerrno>
#include <sys/sendfile.h>
#include <unistd.h>

namespace quillarc {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::int64_t kChunk = std::int64_t {1} << 30;

// Whose fault a failed kernel copy was: the kernel copies say EIO for a
// fault on either side. A source that cannot be read where the copy stopped
// is the source's fault, and only that file is missed; otherwise the disk
// failed.
void blame(int source, std::int64_t offset, int &error, bool &readFailed)
{
    error = errno;
    if (error == EBADF || error == EISDIR) {
        readFailed = true;
        return;
    }
    char probe = 0;
    if (sourceReads().pread(source, &probe, 1, static_cast<off_t>(offset)) < 0) {
        error = errno;
        readFailed = true;
    }
}

// Copies [from, to) of the source to the same place in the target.
bool copyRange(int source, int target, std::int64_t from, std::int64_t to, std::vector<char> &buffer, bool &useKernel,
               std::int64_t &reached, int &error, bool &readFailed, ContentHasher *hasher)
{
    std::int64_t at = from;
    while (at < to) {
        if (useKernel) {
            loff_t in = at, out = at;
            const ssize_t n = sourceReads().copyRange(source, &in, target, &out,
                                                      static_cast<std::size_t>(std::min(kChunk, to - at)), 0);
            if (n < 0 && at == from &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM)) {
                useKernel = false;
                continue;
            }
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                blame(source, at, error, readFailed);
                return false;
            }
            if (n == 0) // the source shrank: what there is has been copied
                return true;
            at += n;
            reached = std::max(reached, at);
            continue;
        }
        if (buffer.empty())
            buffer.resize(kBufferSize);
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), to - at));
        const ssize_t got = sourceReads().pread(source, buffer.data(), want, static_cast<off_t>(at));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            readFailed = true;
            return false;
        }
        if (got == 0)
            return true;
        if (hasher != nullptr)
            hasher->update(buffer.data(), static_cast<std::size_t>(got));
        ssize_t offset = 0;
        while (offset < got) {
            const ssize_t put = ::pwrite(target, buffer.data() + offset, static_cast<std::size_t>(got - offset),
                                         static_cast<off_t>(at + offset));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                error = put < 0 ? errno : ENOSPC;
                return false;
            }
            offset += put;
        }
        at += got;
        reached = std::max(reached, at);
    }
    return true;
}

// A hole reads as zeros, and the hash is of what the file reads as.
void hashZeros(ContentHasher *hasher, std::int64_t count)
{
    static const std::vector<char> zeros(kBufferSize, 0);
    for (; hasher != nullptr && count > 0; count -= static_cast<std::int64_t>(kBufferSize))
        hasher->update(zeros.data(), static_cast<std::size_t>(std::min<std::int64_t>(count, kBufferSize)));
}

} // namespace

SourceReads &sourceReads()
{
    static SourceReads reads;
    return reads;
}

bool copyFileBytes(int source, int target, const struct stat &sourceStat, std::vector<char> &buffer,
                   std::int64_t &copied, int &error, bool &readFailed, ContentHasher *hasher)
{
    copied = 0;
    readFailed = false;
    const std::int64_t length = sourceStat.st_size;
    bool useKernel = hasher == nullptr;
    // Fewer blocks than bytes: holes to keep. Stops at the length the source
    // had when it was opened; a file that grew or shrank meanwhile is
    // noticed by the caller without reading on to its end.
    const bool sparse = static_cast<std::int64_t>(sourceStat.st_blocks) * 512 < length;
    if (!sparse)
        return copyRange(source, target, 0, length, buffer, useKernel, copied, error, readFailed, hasher);

    std::int64_t at = 0;
    while (at < length) {
        const off_t data = ::lseek(source, static_cast<off_t>(at), SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) // nothing but a hole to the end
                break;
            // A file system that cannot tell: copy the rest as it reads.
            if (!copyRange(source, target, at, length, buffer, useKernel, copied, error, readFailed, hasher))
                return false;
            at = length;
            break;
        }
        if (data >= length)
            break;
        hashZeros(hasher, data - at);
        off_t hole = ::lseek(source, data, SEEK_HOLE);
        if (hole < 0 || hole > length)
            hole = static_cast<off_t>(length);
        if (!copyRange(source, target, data, hole, buffer, useKernel, copied, error, readFailed, hasher))
            return false;
        at = hole;
    }
    hashZeros(hasher, length - at);
    // The trailing hole: the target's length is the source's.
    if (::ftruncate(target, static_cast<off_t>(length)) != 0) {
        error = errno;
        return false;
    }
    copied = length;
    return true;
}

} // namespace quillarc

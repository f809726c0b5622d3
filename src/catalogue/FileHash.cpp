#include "catalogue/FileHash.h"

#include "catalogue/ContentHasher.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace quillarc {

FileRead hashOpenFile(int fd, bool pastCache)
{
    constexpr std::size_t kBlock = std::size_t {1} << 20;
    FileRead read;
    if (pastCache)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    const auto buffer = std::make_unique<char[]>(kBlock);
    ContentHasher hasher;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer.get(), kBlock, read.bytes);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            read.error = errno;
            return read;
        }
        if (got == 0)
            break;
        hasher.update(buffer.get(), static_cast<std::size_t>(got));
        read.bytes += got;
    }
    read.hash = hasher.digest();
    return read;
}

} // namespace quillarc

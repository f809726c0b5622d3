#include "engine/FileRoom.h"

#include "base/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quillarc {

namespace {

bool mayHaveHoles(const struct stat &st)
{
    return S_ISREG(st.st_mode) && static_cast<std::int64_t>(st.st_blocks) * 512 < st.st_size;
}

} // namespace

std::int64_t bytesToWrite(int fd, const struct stat &st)
{
    if (!mayHaveHoles(st) || fd < 0)
        return st.st_size;
    // The same walk over data and holes as the copy makes: what it finds is
    // what the copy writes (a compressed file has fewer blocks but no holes).
    std::int64_t data = 0;
    off_t at = 0;
    while (at < st.st_size) {
        const off_t begin = ::lseek(fd, at, SEEK_DATA);
        if (begin < 0)
            return errno == ENXIO ? data : st.st_size;
        if (begin >= st.st_size)
            break;
        off_t end = ::lseek(fd, begin, SEEK_HOLE);
        if (end < 0 || end > st.st_size)
            end = static_cast<off_t>(st.st_size);
        data += end - begin;
        at = end;
    }
    return data;
}

std::int64_t bytesToWrite(int dirFd, const char *name, const struct stat &st)
{
    if (!mayHaveHoles(st))
        return st.st_size;
    const UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOATIME));
    if (fd)
        return bytesToWrite(fd.get(), st);
    const UniqueFd plain(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return bytesToWrite(plain.get(), st);
}

} // namespace quillarc

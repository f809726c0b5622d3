#include "engine/SourceFile.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillarc {

SourceFile::SourceFile(int dirFd, const char *name)
    : fd_(::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC))
{
    if (fd_ && ::fstat(fd_.get(), &status_) != 0)
        fd_.reset();
    if (!fd_) {
        error_ = errno;
        return;
    }
    if (S_ISREG(status_.st_mode) && status_.st_size >= (std::int64_t {1} << 20))
        ::posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

bool SourceFile::lockedByOther() const
{
    if (!fd_)
        return false;
    if (::flock(fd_.get(), LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    // Let go at once: held through the copy, it would make another
    // program's exclusive lock attempt fail while a large file is read.
    ::flock(fd_.get(), LOCK_UN);
    // Open-file-description locks see record locks of every other process
    // (and of other descriptions in this one).
    struct flock query {};
    query.l_type = F_RDLCK;
    query.l_whence = SEEK_SET;
    query.l_start = 0;
    query.l_len = 0;
    if (::fcntl(fd_.get(), F_OFD_GETLK, &query) != 0)
        return false;
    return query.l_type != F_UNLCK;
}

} // namespace quillarc

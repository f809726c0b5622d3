#include "engine/SourceFile.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillarc {

SourceFile::SourceFile(int dirFd, const char *name)
    : m_fd(::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC))
{
    if (m_fd && ::fstat(m_fd.get(), &m_status) != 0)
        m_fd.reset();
    if (!m_fd) {
        m_error = errno;
        return;
    }
    if (S_ISREG(m_status.st_mode) && m_status.st_size >= (std::int64_t {1} << 20))
        ::posix_fadvise(m_fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

bool SourceFile::lockedByOther() const
{
    if (!m_fd)
        return false;
    if (::flock(m_fd.get(), LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    // Let go at once: held through the copy, it would make another
    // program's exclusive lock attempt fail while a large file is read.
    ::flock(m_fd.get(), LOCK_UN);
    // Open-file-description locks see record locks of every other process
    // (and of other descriptions in this one).
    struct flock query {};
    query.l_type = F_RDLCK;
    query.l_whence = SEEK_SET;
    query.l_start = 0;
    query.l_len = 0;
    if (::fcntl(m_fd.get(), F_OFD_GETLK, &query) != 0)
        return false;
    return query.l_type != F_UNLCK;
}

} // namespace quillarc

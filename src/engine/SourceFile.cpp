#include "engine/SourceFile.h"

#include "engine/LinkOwners.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillarc {

namespace {

// A file this large is read for long enough that the shared lock the
// in-use test takes is let go before the copy; a smaller one keeps it
// until it is closed, a few microseconds later, which saves a call.
constexpr std::int64_t kLongRead = std::int64_t {1} << 20;

} // namespace

SourceFile::SourceFile(int dirFd, const char *name) : SourceFile(dirFd, name, 0)
{
}

SourceFile::SourceFile(int dirFd, const char *name, int extraFlags)
    : m_fd(::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | extraFlags))
{
    if (m_fd && ::fstat(m_fd.get(), &m_status) != 0)
        m_fd.reset();
    if (!m_fd) {
        m_error = errno;
        return;
    }
    if (S_ISREG(m_status.st_mode) && m_status.st_size >= kLongRead)
        ::posix_fadvise(m_fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

SourceFile SourceFile::listedEntry(int dirFd, const char *name)
{
    if (!runsAsRoot())
        return SourceFile(dirFd, name);
    // Opened without following, the entry is the file itself: the open is
    // the look, and no link can have led to it. Only a link (ELOOP) needs
    // the look before and after the open that tells a swapped entry.
    SourceFile plain(dirFd, name, O_NOFOLLOW);
    if (plain.isOpen() || plain.error() != ELOOP)
        return plain;
    struct stat before {};
    if (::fstatat(dirFd, name, &before, AT_SYMLINK_NOFOLLOW) != 0) {
        plain.m_error = ENOENT; // gone since it was listed
        return plain;
    }
    SourceFile followed(dirFd, name);
    if (followed.isOpen() && S_ISREG(followed.m_status.st_mode) &&
        !openedAsLooked(dirFd, name, before, followed.m_status)) {
        followed.m_fd.reset();
        followed.m_swapped = true;
    }
    return followed;
}

bool SourceFile::lockedByOther() const
{
    if (!m_fd)
        return false;
    if (::flock(m_fd.get(), LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    // Held through a long read, the shared lock would make another
    // program's exclusive lock attempt fail meanwhile: let go at once.
    if (m_status.st_size >= kLongRead)
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

#pragma once

#include <string>
#include <sys/stat.h>

#include "base/UniqueFd.h"

namespace quillarc {

/// A source file opened for reading, with its status taken on the open
/// descriptor. Links to regular files are followed; FIFOs and devices are
/// opened without blocking and show up as not regular, so callers pass
/// them over.
class SourceFile {
public:
    SourceFile(int dirFd, const char *name);

    bool isOpen() const { return m_fd.valid(); }
    /// Why it could not be opened (errno).
    int error() const { return m_error; }
    int fd() const { return m_fd.get(); }
    const struct stat &status() const { return m_status; }

    /// True when another process holds an exclusive lock on the file: an
    /// exclusive flock() or an fcntl() write lock anywhere in it. Read-only
    /// files and files the user may not write are not in use.
    bool lockedByOther() const;

private:
    UniqueFd m_fd;
    int m_error = 0;
    struct stat m_status {};
};

} // namespace quillarc

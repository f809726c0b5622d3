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

    /// Opens the entry `name` of `dirFd` that a walk listed as a file (or a
    /// link to one). Run as root, a link is followed only as
    /// openedAsLooked() allows: an entry that changed into or from a link
    /// between the look and the open stays closed, with swapped() true. An
    /// entry gone since the listing fails with ENOENT.
    static SourceFile listedEntry(int dirFd, const char *name);

    bool isOpen() const { return m_fd.valid(); }
    /// Why it could not be opened (errno).
    int error() const { return m_error; }
    /// Run as root: the entry turned into or from a link while it was
    /// opened, so it was not read.
    bool swapped() const { return m_swapped; }
    int fd() const { return m_fd.get(); }
    const struct stat &status() const { return m_status; }

    /// True when another process holds an exclusive lock on the file: an
    /// exclusive flock() or an fcntl() write lock anywhere in it. Read-only
    /// files and files the user may not write are not in use.
    bool lockedByOther() const;

private:
    SourceFile(int dirFd, const char *name, int extraFlags);

    UniqueFd m_fd;
    int m_error = 0;
    bool m_swapped = false;
    struct stat m_status {};
};

} // namespace quillarc

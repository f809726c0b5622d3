#pragma once

#include <string>
#include <sys/stat.h>

#include "lists/UniqueFd.h"

namespace quillarc {

/// A source file opened for reading, with its status taken on the open
/// descriptor. Links to regular files are followed; FIFOs and devices are
/// opened without blocking and show up as not regular, so callers pass
/// them over.
class SourceFile {
public:
    SourceFile(int dirFd, const char *name);

    bool isOpen() const { return fd_.valid(); }
    /// Why it could not be opened (errno).
    int error() const { return error_; }
    int fd() const { return fd_.get(); }
    const struct stat &status() const { return status_; }

    /// True when another process holds an exclusive lock on the file: an
    /// exclusive flock() or an fcntl() write lock anywhere in it. Read-only
    /// files and files the user may not write are not in use.
    bool lockedByOther() const;

private:
    UniqueFd fd_;
    int error_ = 0;
    struct stat status_ {};
};

} // namespace quillarc

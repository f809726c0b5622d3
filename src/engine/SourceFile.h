#pragma once

#include <string>
#include <sys/stat.h>

namespace quillarc {

/// A source file opened for reading, with its status taken on the open
/// descriptor. Links to regular files are followed; FIFOs and devices are
/// opened without blocking and show up as not regular, so callers pass
/// them over.
class SourceFile {
public:
    SourceFile(int dirFd, const char *name);
    ~SourceFile();
    SourceFile(const SourceFile &) = delete;
    SourceFile &operator=(const SourceFile &) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const struct stat &status() const { return status_; }

    /// True when another process holds an exclusive lock on the file: an
    /// exclusive flock() or an fcntl() write lock anywhere in it. Read-only
    /// files and files the user may not write are not in use.
    bool lockedByOther() const;

private:
    int fd_ = -1;
    struct stat status_ {};
};

} // namespace quillarc

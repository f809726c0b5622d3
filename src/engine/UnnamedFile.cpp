#include "engine/UnnamedFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace quillarc {

namespace {

// Linux lets a process name a file by its descriptor alone where it opened
// the file itself (from 6.10) or may read any folder; elsewhere the kernel
// answers ENOENT, and the name goes through /proc, whose folders are
// walked anew for every file: on a tree of small files that walk cost a
// pass as much as a tenth of its processor time.
std::atomic<bool> g_byDescriptor {true};

} // namespace

int nameUnnamedFile(int fd, int dir, const char *name)
{
    if (g_byDescriptor.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", dir, name, AT_EMPTY_PATH) == 0)
            return 0;
        if (errno != ENOENT && errno != EPERM && errno != EINVAL)
            return errno;
        g_byDescriptor.store(false, std::memory_order_relaxed);
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), dir, name, AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

} // namespace quillarc

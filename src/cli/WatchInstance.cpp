#include "cli/WatchInstance.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>

namespace quillarc {

WatchInstance::Result WatchInstance::take(const std::string &programFolder)
{
    const std::string path = programFolder + kFileName;
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) {
        m_error = path + ": " + std::strerror(errno);
        return Result::Failed;
    }
    int result = 0;
    do
        result = ::flock(fd.get(), LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        if (errno == EWOULDBLOCK)
            return Result::Busy;
        m_error = path + ": " + std::strerror(errno);
        return Result::Failed;
    }
    m_fd = std::move(fd);
    return Result::Taken;
}

} // namespace quillarc

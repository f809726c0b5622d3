#include "platform/linux/MountTableWatch.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace quillarc {

MountTableWatch::MountTableWatch(std::string path) : m_path(std::move(path))
{
    m_fd.reset(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!m_fd)
        m_error = m_path + ": " + std::strerror(errno);
}

std::vector<MountEntry> MountTableWatch::table() const
{
    return readMountInfo(m_path);
}

} // namespace quillarc

#include "platform/linux/MountTableWatch.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

void MountTableWatch::acknowledge() const
{
    if (!m_fd)
        return;
    char buffer[4096];
    ::lseek(m_fd.get(), 0, SEEK_SET);
    while (::read(m_fd.get(), buffer, sizeof buffer) > 0) {
    }
}

} // namespace quillarc

#include "platform/LabelFile.h"

#include "base/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {

namespace {

std::string labelPath(const std::string &folder)
{
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + kLabelFileName;
}

} // namespace

bool holdsLabelFile(const std::string &folder)
{
    if (folder.empty())
        return false;
    struct stat st {};
    return ::stat(labelPath(folder).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string readLabelFile(const std::string &folder)
{
    if (!holdsLabelFile(folder))
        return {};
    // O_NONBLOCK: a FIFO planted under the label file's name must not hang us.
    const UniqueFd fd(::open(labelPath(folder).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd)
        return {};
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    char buffer[4096];
    std::size_t filled = 0;
    while (filled < sizeof buffer) {
        const ssize_t got = ::read(fd.get(), buffer + filled, sizeof buffer - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    // The first line, whatever bytes it holds: a NUL is part of the label
    // (its list file name writes it as %00), not an end that would make two
    // labels one.
    std::string text(buffer, filled);
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos)
        text.resize(end);
    return text;
}

} // namespace quillarc

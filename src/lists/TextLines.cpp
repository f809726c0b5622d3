#include "lists/TextLines.h"

#include "base/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/FileError.h"

namespace quillarc {

namespace {
constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEndOfFile = '\x1a';
} // namespace

LineReader::LineReader(std::string_view bytes) : m_bytes(bytes)
{
    const std::size_t stop = m_bytes.find(kEndOfFile);
    m_end = stop == std::string_view::npos ? m_bytes.size() : stop;
}

std::string LineReader::next()
{
    if (atEnd())
        return std::string();
    std::size_t cr = m_bytes.find(kCr, m_pos);
    if (cr == std::string_view::npos || cr > m_end)
        cr = m_end;
    std::string line(m_bytes.substr(m_pos, cr - m_pos));
    m_pos = cr;
    if (m_pos < m_end) {
        ++m_pos; // the CR
        if (m_pos < m_end && m_bytes[m_pos] == kLf)
            ++m_pos;
    }
    return line;
}

std::vector<std::string> splitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    LineReader reader(bytes);
    while (!reader.atEnd())
        lines.push_back(reader.next());
    return lines;
}

std::string joinLinesCrLf(const std::vector<std::string> &lines)
{
    std::size_t size = 0;
    for (const std::string &line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string &line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

bool isStorableLine(std::string_view text)
{
    return text.find(kCr) == std::string_view::npos && text.find(kEndOfFile) == std::string_view::npos;
}

std::string readWholeFile(const std::string &path)
{
    if (path.find('\0') != std::string::npos)
        throw FileError(EINVAL, path);
    // O_NONBLOCK: a pipe must not keep us waiting for a writer before it is
    // turned away below (it changes nothing for a regular file).
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd)
        throw FileError::forPath(errno, path);
    std::string content;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw FileError(errno, path);
    if (S_ISDIR(info.st_mode))
        throw FileError(EISDIR, path);
    // A device or pipe could block or never end.
    if (!S_ISREG(info.st_mode))
        throw FileError(EINVAL, path);
    if (info.st_size > 0)
        content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(errno, path);
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    return content;
}

} // namespace quillarc

#include "base/DriveRoot.h"

#include <stdexcept>

namespace quillarc {

bool isDriveRoot(std::string_view text)
{
    if (text.empty() || text.front() != '/' || text.back() != '/')
        return false;
    if (text.find_first_of(std::string_view("\0\n\r", 3)) != std::string_view::npos)
        return false;
    if (text == "/")
        return true;
    // Every part between the slashes must be a real name.
    std::size_t start = 1;
    while (start < text.size()) {
        const std::size_t end = text.find('/', start);
        const std::string_view part = text.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

std::optional<DriveRoot> DriveRoot::of(std::string_view text)
{
    if (!isDriveRoot(text))
        return std::nullopt;
    return DriveRoot(std::string(text));
}

DriveRoot::DriveRoot(std::string path) : m_path(std::move(path))
{
    if (!isDriveRoot(m_path))
        throw std::invalid_argument("not a drive root: " + m_path);
}

} // namespace quillarc

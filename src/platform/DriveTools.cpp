#include "platform/DriveTools.h"

namespace quillarc {

bool isDriveRoot(const std::string &text)
{
    if (text.empty() || text.front() != '/' || text.back() != '/' || text == kNoDriveText)
        return false;
    if (text.find_first_of(std::string("\0\n\r", 3)) != std::string::npos)
        return false;
    if (text == "/")
        return true;
    // Every part between the slashes must be a real name.
    std::size_t start = 1;
    while (start < text.size()) {
        const std::size_t end = text.find('/', start);
        const std::string part = text.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

std::string GetVolumeLabel(const VolumeHost &host, const std::string &root)
{
    return isDriveRoot(root) ? host.volumeLabel(root) : std::string();
}

} // namespace quillarc

#include "engine/PathRules.h"

namespace quillarc::PathRules {

bool isNormalAbsolute(std::string_view path)
{
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string_view::npos)
        return false;
    if (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    std::size_t start = 1;
    while (start <= path.size() && path.size() > 1) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

std::string relativeOnDisk(std::string_view source)
{
    while (!source.empty() && source.front() == '/')
        source.remove_prefix(1);
    while (!source.empty() && source.back() == '/')
        source.remove_suffix(1);
    return std::string(source);
}

std::string withFullStop(std::string_view text)
{
    std::string result(text);
    if (result.empty() || static_cast<unsigned char>(result.back()) > '.')
        result += '.';
    return result;
}

} // namespace quillarc::PathRules

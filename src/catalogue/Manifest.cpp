#include "catalogue/Manifest.h"

namespace quillarc {

std::string manifestLine(const Hash128 &hash, std::string_view path)
{
    if (path.find('\n') == std::string_view::npos)
        return hash.hex() + "  " + std::string(path) + "\n";
    std::string escaped;
    for (const char c : path) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return "\\" + hash.hex() + "  " + escaped + "\n";
}

} // namespace quillarc

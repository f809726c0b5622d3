#pragma once

#include <string>

namespace quillarc {

/// `folder` ending in '/', so that a file name can be appended to it as it
/// stands; an empty text stays empty (no folder given is not the root).
inline std::string withSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace quillarc

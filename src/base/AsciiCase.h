#pragma once

#include <string>
#include <string_view>

namespace quillarc {

/// Lower case of the ASCII letters A-Z; every other byte (UTF-8 included)
/// stays as it is. Extension and pattern lists, file-name comparisons and
/// typed answers all fold case this way, whatever the locale.
constexpr char toLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string toLowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower)
        c = toLowerAscii(c);
    return lower;
}

} // namespace quillarc

#include "engine/OneLine.h"

#include <cstdint>
#include <cstdio>

namespace quillarc {

namespace {

void escapeBytes(std::string &out, std::string_view bytes)
{
    for (const char c : bytes) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
        out += escaped;
    }
}

// Length of the UTF-8 sequence at the start of `text` and the character it
// stands for; 0 when the bytes are not well-formed UTF-8 (a stray 0x9B is
// a terminal's CSI on its own).
std::size_t decodeUtf8(std::string_view text, char32_t &code)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1FU;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0FU;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07U;
        least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0U) != 0x80)
            return 0;
        code = (code << 6U) | (next & 0x3FU);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// Characters that end a line or steer how a reader shows the text: the C1
// controls (NEL, CSI), the line and paragraph separators, and the marks,
// embeddings, overrides and isolates that reorder what follows them.
bool steersTheReader(char32_t code)
{
    return (code >= 0x80 && code <= 0x9F) || code == 0x200E || code == 0x200F || (code >= 0x2028 && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069) || code == 0x061C;
}

} // namespace

std::string oneLine(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7f || byte == '\\')
                escapeBytes(out, text.substr(at, 1));
            else
                out += static_cast<char>(byte);
            ++at;
            continue;
        }
        char32_t code = 0;
        const std::size_t length = decodeUtf8(text.substr(at), code);
        if (length == 0) {
            escapeBytes(out, text.substr(at, 1));
            ++at;
            continue;
        }
        if (steersTheReader(code))
            escapeBytes(out, text.substr(at, length));
        else
            out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

} // namespace quillarc

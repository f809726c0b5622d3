#include "catalogue/Hash128.h"

namespace quillarc {

namespace {

constexpr char kDigits[] = "0123456789abcdef";

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string Hash128::hex() const
{
    std::string text(32, '0');
    for (int i = 0; i < 16; ++i) {
        text[15 - i] = kDigits[(high >> (4 * i)) & 0xF];
        text[31 - i] = kDigits[(low >> (4 * i)) & 0xF];
    }
    return text;
}

std::optional<Hash128> Hash128::fromHex(std::string_view text)
{
    if (text.size() != 32)
        return std::nullopt;
    Hash128 hash;
    for (std::size_t i = 0; i < 32; ++i) {
        const int value = digitValue(text[i]);
        if (value < 0)
            return std::nullopt;
        std::uint64_t &half = i < 16 ? hash.high : hash.low;
        half = (half << 4) | static_cast<std::uint64_t>(value);
    }
    return hash;
}

} // namespace quillarc

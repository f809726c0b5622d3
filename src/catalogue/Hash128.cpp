#include "catalogue/Hash128.h"

#include <xxhash.h>

namespace quillarc {

std::string Hash128::hex() const
{
    static const char digits[] = "0123456789abcdef";
    std::string text(32, '0');
    for (int i = 0; i < 16; ++i) {
        text[static_cast<std::size_t>(15 - i)] = digits[(high >> (4 * i)) & 0xf];
        text[static_cast<std::size_t>(31 - i)] = digits[(low >> (4 * i)) & 0xf];
    }
    return text;
}

std::optional<Hash128> Hash128::fromHex(std::string_view text)
{
    if (text.size() != 32)
        return std::nullopt;
    Hash128 hash;
    for (std::size_t i = 0; i < 32; ++i) {
        const char c = text[i];
        int value = 0;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else
            return std::nullopt;
        std::uint64_t &half = i < 16 ? hash.high : hash.low;
        half = (half << 4) | static_cast<std::uint64_t>(value);
    }
    return hash;
}

ContentHasher::ContentHasher() : m_state(XXH3_createState())
{
    reset();
}
ContentHasher::~ContentHasher()
{
    XXH3_freeState(static_cast<XXH3_state_t *>(m_state));
}
void ContentHasher::reset()
{
    XXH3_128bits_reset(static_cast<XXH3_state_t *>(m_state));
}
void ContentHasher::update(const void *data, std::size_t size)
{
    XXH3_128bits_update(static_cast<XXH3_state_t *>(m_state), data, size);
}
Hash128 ContentHasher::digest() const
{
    const XXH128_hash_t value = XXH3_128bits_digest(static_cast<XXH3_state_t *>(m_state));
    return {value.high64, value.low64};
}

} // namespace quillarc

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillarc {

struct Hash128 {
    std::uint64_t high = 0, low = 0;
    std::string hex() const;
    static std::optional<Hash128> fromHex(std::string_view text);
    friend bool operator==(const Hash128 &, const Hash128 &) = default;
};

class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher &) = delete;
    ContentHasher &operator=(const ContentHasher &) = delete;
    void reset();
    void update(const void *data, std::size_t size);
    Hash128 digest() const;

private:
    void *m_state;
};

} // namespace quillarc

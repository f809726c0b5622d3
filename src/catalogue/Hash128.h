#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillarc {

/// A 128-bit content hash (XXH3-128), written as xxh128sum prints it.
struct Hash128 {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    /// 32 lower-case hex digits, high half first, as xxh128sum prints them.
    std::string hex() const;
    /// The hash written by hex() (either case); nullopt for anything else.
    static std::optional<Hash128> fromHex(std::string_view text);

    friend bool operator==(const Hash128 &, const Hash128 &) = default;
};

} // namespace quillarc

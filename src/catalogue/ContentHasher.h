#pragma once

#include "catalogue/Hash128.h"

#include <cstddef>

namespace quillarc {

/// XXH3 128-bit over a stream of bytes, fed the bytes as they are copied so
/// that a copy's hash never costs a second read.
class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher &) = delete;
    ContentHasher &operator=(const ContentHasher &) = delete;

    /// Starts over, as for a new file.
    void reset();
    void update(const void *data, std::size_t size);
    /// The hash of every byte given since the last reset; more may follow.
    Hash128 digest() const;

    /// The hash of one block of bytes at once.
    static Hash128 of(const void *data, std::size_t size);

private:
    struct State;
    State *m_state;
};

} // namespace quillarc

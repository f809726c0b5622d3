#include "catalogue/ContentHasher.h"

#include <new>
#include <xxhash.h>

namespace quillarc {

struct ContentHasher::State {
    XXH3_state_t *xxh = nullptr;
};

namespace {

Hash128 toHash(XXH128_hash_t value)
{
    return Hash128 {value.high64, value.low64};
}

} // namespace

ContentHasher::ContentHasher() : m_state(new State)
{
    m_state->xxh = XXH3_createState();
    if (m_state->xxh == nullptr) {
        delete m_state;
        throw std::bad_alloc();
    }
    reset();
}

ContentHasher::~ContentHasher()
{
    XXH3_freeState(m_state->xxh);
    delete m_state;
}

void ContentHasher::reset()
{
    XXH3_128bits_reset(m_state->xxh);
}

void ContentHasher::update(const void *data, std::size_t size)
{
    if (size > 0)
        XXH3_128bits_update(m_state->xxh, data, size);
}

Hash128 ContentHasher::digest() const
{
    return toHash(XXH3_128bits_digest(m_state->xxh));
}

Hash128 ContentHasher::of(const void *data, std::size_t size)
{
    return toHash(XXH3_128bits(data, size));
}

} // namespace quillarc

#include "cli/WakeUp.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace quillarc {

WakeUp::WakeUp() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!m_fd)
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

void WakeUp::notify() const noexcept
{
    const int saved = errno; // a signal handler leaves errno as it found it
    const std::uint64_t one = 1;
    // Only a counter at its limit can refuse, and that one wakes anyway.
    [[maybe_unused]] const ssize_t written = ::write(m_fd.get(), &one, sizeof one);
    errno = saved;
}

bool WakeUp::wait(std::optional<std::chrono::milliseconds> timeout) const
{
    struct pollfd watched {
        m_fd.get(), POLLIN, 0
    };
    const int limit = timeout ? static_cast<int>(timeout->count()) : -1;
    int ready = 0;
    do {
        ready = ::poll(&watched, 1, limit);
    } while (ready < 0 && errno == EINTR && !timeout);
    return ready > 0 && take();
}

bool WakeUp::take() const
{
    std::uint64_t count = 0;
    return ::read(m_fd.get(), &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

} // namespace quillarc

#pragma once

#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <utility>

namespace quillarc {

/// An open file descriptor that closes itself, so that no error path can
/// leak one.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd &&other) noexcept : m_fd(other.release()) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    explicit operator bool() const { return valid(); }

    /// Gives the descriptor up without closing it.
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    /// Closes now and says whether the close succeeded: for a file just
    /// written, close can be where a write error shows.
    bool close()
    {
        const int fd = release();
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd = -1;
};

/// A descriptor of its own for what `fd` refers to, to be held by several
/// owners while `fd` itself may be closed; null when none can be opened.
inline std::shared_ptr<const UniqueFd> sharedDuplicate(int fd)
{
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    return copy < 0 ? nullptr : std::make_shared<const UniqueFd>(copy);
}

} // namespace quillarc

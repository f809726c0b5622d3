#pragma once

#include "base/UniqueFd.h"

#include <chrono>
#include <optional>

namespace quillarc {

/// Wakes the runner's main thread: the worker when its pass has ended, a
/// signal handler when the person wants it ended. An eventfd counts the
/// calls, so one made before the wait begins is not lost.
class WakeUp {
public:
    /// Throws std::system_error when no eventfd can be made.
    WakeUp();

    /// Safe from a signal handler and from any thread.
    void notify() const noexcept;

    /// Waits until notified or `timeout` has passed (for ever when none);
    /// true when notified. Takes every pending notification.
    bool wait(std::optional<std::chrono::milliseconds> timeout) const;

    /// For a caller that waits on more than this (poll for POLLIN), with
    /// take() once it fires.
    int fd() const { return m_fd.get(); }
    /// Takes every pending notification without waiting; true when there was one.
    bool take() const;

private:
    UniqueFd m_fd;
};

} // namespace quillarc

#pragma once

#include <chrono>

namespace quillarc {

/// The one source of "now" for cut-offs, the time of a pass and the date
/// dialog's today; tests install a fixed clock and move it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point now() const = 0;

    /// The wall clock.
    static const Clock &system();
};

} // namespace quillarc

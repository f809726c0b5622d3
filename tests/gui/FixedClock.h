#pragma once

#include "base/Clock.h"

#include <QDateTime>

namespace quillarc {

/// A clock that stands at a local date and time chosen by the test.
class FixedClock : public Clock {
public:
    explicit FixedClock(const QDateTime &local) { set(local); }
    void set(const QDateTime &local)
    {
        instant = std::chrono::system_clock::time_point(std::chrono::milliseconds(local.toMSecsSinceEpoch()));
    }
    std::chrono::system_clock::time_point now() const override { return instant; }

private:
    std::chrono::system_clock::time_point instant;
};

} // namespace quillarc

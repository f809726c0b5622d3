#pragma once

#include <chrono>
#include <sys/stat.h>

#include "lists/CutOff.h"
#include "lists/DateTime.h"

namespace quillarc {

/// Whether a file qualifies for a pass against its item's cut-off.
///
/// A file qualifies when its modification time or its status-change time
/// is later than the cut-off: a file moved, unpacked or installed into a
/// backed-up folder keeps an old modification time, but its status changed
/// when it arrived. Times are compared as instants, with the cut-off read
/// at the earliest instant its local date-time can name, so a changed file
/// is not hidden by an hour the clock ran twice. With no cut-off every
/// file qualifies.
class CutOffTest {
public:
    explicit CutOffTest(CutOff cutOff = {});

    bool qualifies(const struct stat &st) const { return m_none || later(st.st_mtim) || later(st.st_ctim); }

    /// The time of a file that the cut-off rules go by: the later of its
    /// modification and status-change times, as a local date-time.
    static DateTime fileTime(const struct stat &st);

private:
    bool later(const struct timespec &time) const
    {
        return time.tv_sec > m_seconds || (time.tv_sec == m_seconds && time.tv_nsec > m_nanoseconds);
    }

    bool m_none = true;
    std::int64_t m_seconds = 0;
    long m_nanoseconds = 0;
};

} // namespace quillarc

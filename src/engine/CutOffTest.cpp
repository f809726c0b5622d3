#include "engine/CutOffTest.h"

namespace quillarc {

CutOffTest::CutOffTest(CutOff cutOff) : m_none(cutOff.none())
{
    if (m_none)
        return;
    using namespace std::chrono;
    const auto since = duration_cast<nanoseconds>(cutOff.earliestInstant().time_since_epoch()).count();
    m_seconds = since / 1000000000;
    m_nanoseconds = static_cast<long>(since % 1000000000);
    if (m_nanoseconds < 0) {
        m_nanoseconds += 1000000000;
        --m_seconds;
    }
}

DateTime CutOffTest::fileTime(const struct stat &st)
{
    const bool changedLater = st.st_ctim.tv_sec > st.st_mtim.tv_sec ||
                              (st.st_ctim.tv_sec == st.st_mtim.tv_sec && st.st_ctim.tv_nsec > st.st_mtim.tv_nsec);
    return dateTimeFromTimespec(changedLater ? st.st_ctim : st.st_mtim);
}

} // namespace quillarc

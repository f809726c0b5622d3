#include "engine/CutOffTest.h"

namespace quillarc {

CutOffTest::CutOffTest(DateTime cutOff) : none_(cutOff == 0)
{
    if (none_)
        return;
    using namespace std::chrono;
    const auto since = duration_cast<nanoseconds>(earliestTimePointFromDateTime(cutOff).time_since_epoch()).count();
    seconds_ = since / 1000000000;
    nanoseconds_ = static_cast<long>(since % 1000000000);
    if (nanoseconds_ < 0) {
        nanoseconds_ += 1000000000;
        --seconds_;
    }
}

DateTime CutOffTest::fileTime(const struct stat &st)
{
    const bool changedLater = st.st_ctim.tv_sec > st.st_mtim.tv_sec ||
                              (st.st_ctim.tv_sec == st.st_mtim.tv_sec && st.st_ctim.tv_nsec > st.st_mtim.tv_nsec);
    return dateTimeFromTimespec(changedLater ? st.st_ctim : st.st_mtim);
}

} // namespace quillarc

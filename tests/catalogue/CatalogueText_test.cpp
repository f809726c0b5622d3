#include "catalogue/CatalogueText.h"
#include "support/ScopedTimeZone.h"

#include <gtest/gtest.h>

namespace quillarc {
namespace {

// A restore names the files it puts beside by the person's own day, not
// UTC's: an instant late on one UTC day is the next day further east and
// the same day further west.
TEST(CatalogueText, TheDayOfAnInstantIsTheLocalOne)
{
    // 2026-12-10 23:30 UTC
    const auto when = std::chrono::system_clock::from_time_t(1'796'945'400);
    struct Case {
        const char *zone;
        const char *day;
    };
    for (const Case &c : {Case {"UTC0", "2026-12-10"}, Case {"CET-1", "2026-12-11"}, Case {"EST5", "2026-12-10"}}) {
        const test::ScopedTimeZone zone(c.zone);
        EXPECT_EQ(dayText(when), c.day) << c.zone;
    }
}

} // namespace
} // namespace quillarc

#include "lists/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/ScopedTimeZone.h"

namespace quillarc {
namespace {

using namespace std::chrono;

TEST(DateTime, EncodeDecodeKnownDates)
{
    struct Case {
        int y, m, d;
        double days;
    };
    const Case cases[] = {
        {1899, 12, 30, 0},     {1899, 12, 29, -1},   {1900, 1, 1, 2},    {1970, 1, 1, 25569},
        {2002, 12, 27, 37617}, {2000, 2, 29, 36585}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
        const DateParts parts = DecodeDate(c.days);
        EXPECT_EQ(parts.year, c.y);
        EXPECT_EQ(parts.month, c.m);
        EXPECT_EQ(parts.day, c.d);
    }
}

TEST(DateTime, InvalidDatesAndTimesAreErrors)
{
    const int bad[][3] = {{2003, 2, 29}, {2002, 13, 1}, {2002, 0, 1}, {2002, 4, 31},
                          {0, 1, 1},     {10000, 1, 1}, {1900, 2, 29}};
    for (const auto &date : bad) {
        DateTime ignored = 0;
        EXPECT_FALSE(TryEncodeDate(date[0], date[1], date[2], ignored));
        try {
            EncodeDate(date[0], date[1], date[2]);
            ADD_FAILURE() << date[0] << "-" << date[1] << "-" << date[2];
        } catch (const DateTimeError &error) {
            EXPECT_STREQ(error.what(), "Invalid argument to date encode");
        }
    }
    EXPECT_THROW(EncodeTime(24, 0, 0), DateTimeError);
    EXPECT_THROW(EncodeTime(0, 60, 0), DateTimeError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), DateTimeError);
}

TEST(DateTime, ExampleValueDecodesToTheSecond)
{
    const DateTime value = 37617.6278819444;
    const TimeParts time = DecodeTime(value);
    EXPECT_EQ(time.hour, 15);
    EXPECT_EQ(time.minute, 4);
    EXPECT_EQ(time.second, 9);
    EXPECT_NEAR(EncodeDate(2002, 12, 27) + EncodeTime(15, 4, 9), value, 1e-9);
}

TEST(DateTime, RoundingCarriesIntoTheNextDay)
{
    const DateTime almost = EncodeDate(2002, 12, 27) + (86400000.0 - 0.4) / 86400000.0;
    const DateParts date = DecodeDate(almost);
    const TimeParts time = DecodeTime(almost);
    EXPECT_EQ(date.day, 28);
    EXPECT_EQ(time.hour + time.minute + time.second + time.millisecond, 0);
}

TEST(DateTime, BeforeTheEpochTheFractionIsStillTheTimeOfDay)
{
    const TimeParts time = DecodeTime(-1.25);
    EXPECT_EQ(time.hour, 6);
    EXPECT_EQ(DecodeDate(-1.25).day, 29);
}

TEST(DateTime, LocalTimeOfInstants)
{
    test::ScopedTimeZone zone("<+03>-3");
    const auto epoch = system_clock::time_point {};
    EXPECT_DOUBLE_EQ(dateTimeFromTimePoint(epoch), 25569.0 + 3.0 / 24);

    // Full precision: a quarter second survives.
    struct timespec spec {};
    spec.tv_sec = 1041001449; // 2002-12-27 15:04:09 UTC
    spec.tv_nsec = 250000000;
    const DateTime value = dateTimeFromTimespec(spec);
    EXPECT_NEAR(value, EncodeDate(2002, 12, 27) + EncodeTime(18, 4, 9, 250), 1e-9);
    EXPECT_GT(value, dateTimeFromTimespec({spec.tv_sec, 0}));

    const auto back = timePointFromDateTime(value);
    EXPECT_NEAR(duration_cast<duration<double>>(back.time_since_epoch()).count(), 1041001449.25, 1e-4);
}

TEST(DateTime, InstantsRoundTripInAZoneWithSummerTime)
{
    test::ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    for (const long seconds : {1041001449L, 1057000000L, 0L, -86400L * 365}) {
        const auto instant = system_clock::time_point {} + std::chrono::seconds(seconds);
        EXPECT_EQ(duration_cast<std::chrono::seconds>(timePointFromDateTime(dateTimeFromTimePoint(instant)) - instant)
                      .count(),
                  0)
            << seconds;
    }
}

} // namespace
} // namespace quillarc

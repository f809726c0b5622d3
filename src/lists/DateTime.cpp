#include "lists/DateTime.h"

#include <cmath>
#include <cstdint>

namespace quillarc {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

DateParts civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return DateParts {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const std::int64_t kEpochDays = daysFromCivil(1899, 12, 30);

// Whole days and milliseconds of the day, rounded as one value.
void split(DateTime value, std::int64_t &days, std::int64_t &ms)
{
    if (!std::isfinite(value) || std::fabs(value) > 1e9) {
        days = 0;
        ms = 0;
        return;
    }
    const std::int64_t total = std::llround(value * static_cast<double>(kMsPerDay));
    days = total / kMsPerDay;
    ms = total % kMsPerDay;
    if (ms < 0)
        ms = -ms;
}

DateTime combine(std::int64_t days, double dayFraction)
{
    const auto whole = static_cast<double>(days);
    return days < 0 ? whole - dayFraction : whole + dayFraction;
}

} // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, DateTime &result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    result = static_cast<DateTime>(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                                   kEpochDays);
    return true;
}

DateTime EncodeDate(int year, int month, int day)
{
    DateTime result = 0;
    if (!TryEncodeDate(year, month, day, result))
        throw DateTimeError("Invalid argument to date encode");
    return result;
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        throw DateTimeError("Invalid argument to time encode");
    const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

DateParts DecodeDate(DateTime value)
{
    std::int64_t days = 0, ms = 0;
    split(value, days, ms);
    return civilFromDays(days + kEpochDays);
}

TimeParts DecodeTime(DateTime value)
{
    std::int64_t days = 0, ms = 0;
    split(value, days, ms);
    TimeParts parts;
    parts.millisecond = static_cast<int>(ms % 1000);
    parts.second = static_cast<int>(ms / 1000 % 60);
    parts.minute = static_cast<int>(ms / 60000 % 60);
    parts.hour = static_cast<int>(ms / 3600000);
    return parts;
}

DateTime dateTimeFromTimespec(const struct timespec &instant)
{
    struct tm local {};
    const time_t seconds = instant.tv_sec;
    if (localtime_r(&seconds, &local) == nullptr)
        return 0;
    const std::int64_t days = daysFromCivil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                                            static_cast<unsigned>(local.tm_mday)) -
                              kEpochDays;
    const double secondOfDay =
        local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + static_cast<double>(instant.tv_nsec) / 1e9;
    return combine(days, secondOfDay / 86400.0);
}

DateTime dateTimeFromTimePoint(std::chrono::system_clock::time_point instant)
{
    using namespace std::chrono;
    const auto ns = duration_cast<nanoseconds>(instant.time_since_epoch()).count();
    std::int64_t seconds = ns / 1000000000;
    std::int64_t rest = ns % 1000000000;
    if (rest < 0) {
        rest += 1000000000;
        --seconds;
    }
    struct timespec spec {};
    spec.tv_sec = static_cast<time_t>(seconds);
    spec.tv_nsec = static_cast<long>(rest);
    return dateTimeFromTimespec(spec);
}

std::chrono::system_clock::time_point timePointFromDateTime(DateTime value)
{
    using namespace std::chrono;
    if (!std::isfinite(value) || std::fabs(value) > 1e7)
        return system_clock::time_point {};
    const double wholeDays = std::trunc(value);
    const double secondsOfDay = std::fabs(value - wholeDays) * 86400.0;
    double wholeSeconds = std::floor(secondsOfDay);
    std::int64_t ns = std::llround((secondsOfDay - wholeSeconds) * 1e9);
    if (ns >= 1000000000) {
        ns -= 1000000000;
        wholeSeconds += 1;
    }
    const DateParts date = civilFromDays(static_cast<std::int64_t>(wholeDays) + kEpochDays);
    struct tm local {};
    local.tm_year = date.year - 1900;
    local.tm_mon = date.month - 1;
    local.tm_mday = date.day;
    local.tm_sec = static_cast<int>(wholeSeconds); // mktime spreads it into hours and minutes
    local.tm_isdst = -1;
    const time_t seconds = mktime(&local);
    return system_clock::time_point {} + std::chrono::seconds(seconds) +
           duration_cast<system_clock::duration>(nanoseconds(ns));
}

std::chrono::system_clock::time_point earliestTimePointFromDateTime(DateTime value)
{
    using namespace std::chrono;
    const system_clock::time_point named = timePointFromDateTime(value);
    const DateTime wallTime = dateTimeFromTimePoint(named);
    // Clocks are set back by an hour, in a few places by half of one.
    for (const int shift : {3600, 1800}) {
        const system_clock::time_point earlier = named - seconds(shift);
        if (dateTimeFromTimePoint(earlier) == wallTime)
            return earlier;
    }
    return named;
}

} // namespace quillarc

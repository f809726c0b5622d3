#pragma once

#include <chrono>
#include <ctime>
#include <stdexcept>
#include <string>

namespace quillarc {

/// A date-time value: days since 30 December 1899 00:00 local time, the
/// fraction being the time of day. Before that day the whole part counts
/// days back and the fraction is still the time of day (-1.25 is
/// 29 December 1899 06:00). Cut-offs and file times are compared as these.
using DateTime = double;

/// An invalid date or time given to EncodeDate / EncodeTime. The message is
/// the text the user sees ("Invalid argument to date encode").
class DateTimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DateParts {
    int year = 0;
    int month = 0; ///< 1..12
    int day = 0;   ///< 1..31
};

struct TimeParts {
    int hour = 0;        ///< 0..23
    int minute = 0;      ///< 0..59
    int second = 0;      ///< 0..59
    int millisecond = 0; ///< 0..999
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

/// Whole days of a date (year 1..9999). Throws DateTimeError
/// "Invalid argument to date encode" for an invalid date.
DateTime EncodeDate(int year, int month, int day);
/// Fraction of a day. Throws "Invalid argument to time encode".
DateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
/// Same as the two above without throwing; false for invalid input.
bool TryEncodeDate(int year, int month, int day, DateTime &result);

/// Date and time of a value, rounded to the millisecond as a whole (so
/// 23:59:59.9996 is the next day's 00:00:00.000).
DateParts DecodeDate(DateTime value);
TimeParts DecodeTime(DateTime value);

/// Local date-time of an instant, at full precision.
DateTime dateTimeFromTimePoint(std::chrono::system_clock::time_point instant);
DateTime dateTimeFromTimespec(const struct timespec &instant);
/// The instant that a local date-time names (mktime rules where the local
/// clock repeats or skips an hour).
std::chrono::system_clock::time_point timePointFromDateTime(DateTime value);
/// The earliest instant a local date-time can name: where the clock was set
/// back and the same local hour came round twice, its first run.
std::chrono::system_clock::time_point earliestTimePointFromDateTime(DateTime value);

} // namespace quillarc

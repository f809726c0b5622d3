#include "lists/DateTimeText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "lists/Locale.h"

namespace quillarc {

namespace {

// "1.5e-05" -> "1.5E-5": the exponent as the file format has always shown it.
std::string tidyExponent(const std::string &text)
{
    const std::size_t e = text.find('e');
    if (e == std::string::npos)
        return text;
    std::string result = text.substr(0, e) + "E";
    std::size_t i = e + 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            result += '-';
        ++i;
    }
    while (i + 1 < text.size() && text[i] == '0')
        ++i;
    return result + text.substr(i);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::string numberText(double value)
{
    if (value == 0)
        return "0";
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string text = tidyExponent(buffer);
    const std::size_t point = text.find('.');
    if (point != std::string::npos)
        text.replace(point, 1, Locale::currentShared()->decimalSeparator());
    return text;
}

bool tryParseNumberText(std::string_view text, double &value)
{
    const std::string separator = Locale::currentShared()->decimalSeparator();
    std::size_t i = 0, end = text.size();
    while (i < end && text[i] == ' ')
        ++i;
    while (end > i && text[end - 1] == ' ')
        --end;

    std::string canonical;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            canonical += '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < end && isDigit(text[i])) {
        canonical += text[i++];
        ++digits;
    }
    if (!separator.empty() && text.substr(i, separator.size()) == separator) {
        i += separator.size();
        canonical += '.';
        while (i < end && isDigit(text[i])) {
            canonical += text[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        canonical += 'e';
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-'))
            canonical += text[i++];
        std::size_t exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            canonical += text[i++];
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    if (i != end)
        return false;

    double parsed = 0;
    const auto [ptr, error] = std::from_chars(canonical.data(), canonical.data() + canonical.size(), parsed);
    if (error != std::errc() || ptr != canonical.data() + canonical.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

double parseNumberText(std::string_view text)
{
    double value = 0;
    if (!tryParseNumberText(text, value))
        throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
    return value;
}

bool tryParseNumberTextAnySeparator(std::string_view text, double &value)
{
    if (tryParseNumberText(text, value))
        return true;
    const std::string separator = Locale::currentShared()->decimalSeparator();
    const std::size_t at = text.find_first_of(".,");
    if (at == std::string_view::npos || separator.empty())
        return false;
    std::string other(text);
    other.replace(at, 1, separator);
    return tryParseNumberText(other, value);
}

std::string dateTimeText(DateTime value)
{
    const DateParts date = DecodeDate(value);
    const TimeParts time = DecodeTime(value);
    struct tm fields {};
    fields.tm_year = date.year - 1900;
    fields.tm_mon = date.month - 1;
    fields.tm_mday = date.day;
    fields.tm_hour = time.hour;
    fields.tm_min = time.minute;
    fields.tm_sec = time.second;
    fields.tm_isdst = -1;
    DateTime day = 0, newYear = 0;
    if (TryEncodeDate(date.year, date.month, date.day, day) && TryEncodeDate(date.year, 1, 1, newYear)) {
        // 30 December 1899 was a Saturday.
        const auto whole = static_cast<long long>(day);
        fields.tm_wday = static_cast<int>(((whole + 6) % 7 + 7) % 7);
        fields.tm_yday = static_cast<int>(day - newYear);
    }
    const auto locale = Locale::currentShared();
    std::string text = locale->formatTime(locale->shortDateFormat(), fields);
    if (time.hour != 0 || time.minute != 0 || time.second != 0)
        text += " " + locale->formatTime(locale->longTimeFormat(), fields);
    return text;
}

std::string cutOffText(DateTime value)
{
    return value == 0 ? std::string(kNoCutOffText) : dateTimeText(value);
}

} // namespace quillarc

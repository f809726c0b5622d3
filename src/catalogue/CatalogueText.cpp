#include "catalogue/CatalogueText.h"

#include "catalogue/DiskLayout.h"

#include <cstdio>
#include <ctime>
#include <iterator>

namespace quillarc {

namespace {

std::string localText(std::time_t seconds)
{
    std::tm local {};
    ::localtime_r(&seconds, &local);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return std::string(text, length);
}

} // namespace

std::string dayText(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local {};
    ::localtime_r(&seconds, &local);
    char text[16];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d", &local));
}

std::string stampText(std::string_view stamp)
{
    std::tm utc {};
    char zone = 0;
    std::string text(stamp);
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d%2d%2d%c", &utc.tm_year, &utc.tm_mon, &utc.tm_mday, &utc.tm_hour,
                    &utc.tm_min, &utc.tm_sec, &zone) != 7 ||
        zone != 'Z')
        return text;
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    return localText(::timegm(&utc));
}

std::string timeText(std::int64_t ns)
{
    return localText(static_cast<std::time_t>(ns / 1'000'000'000));
}

std::string sizeText(std::int64_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    const char *units[] = {"KiB", "MiB", "GiB", "TiB", "PiB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::optional<std::string> stampOfDay(const std::string &day)
{
    std::tm local {};
    char rest = 0;
    if (std::sscanf(day.c_str(), "%4d-%2d-%2d%c", &local.tm_year, &local.tm_mon, &local.tm_mday, &rest) != 3 ||
        local.tm_mon < 1 || local.tm_mon > 12 || local.tm_mday < 1 || local.tm_mday > 31)
        return std::nullopt;
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    const std::time_t start = std::mktime(&local);
    if (start == -1)
        return std::nullopt;
    return disklayout::passStamp(std::chrono::system_clock::from_time_t(start));
}

} // namespace quillarc

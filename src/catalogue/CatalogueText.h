#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillarc {

/// A pass stamp (UTC, "2026-12-10T210500Z") as local time, "2026-12-10
/// 22:05"; the stamp as it stands when it is not one.
std::string stampText(std::string_view stamp);
/// Nanoseconds since the epoch as local time, "2026-12-10 22:05".
std::string timeText(std::int64_t ns);
/// "512 bytes", "1.5 KiB", "12.3 MiB", ...
std::string sizeText(std::int64_t bytes);
/// The local day of `when`, "2026-12-10", as a restore names the files it
/// puts beside or keeps aside.
std::string dayText(std::chrono::system_clock::time_point when);
/// The pass stamp of the first instant of a local day "YYYY-MM-DD", for
/// comparing with stamps; nullopt when the text is no such day.
std::optional<std::string> stampOfDay(const std::string &day);

} // namespace quillarc

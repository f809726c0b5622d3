#pragma once

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

namespace quillarc::disklayout {

// Everything the program keeps on a backup disk besides the copies lives in
// one folder at the disk's root. It never receives a copy of a source file:
// a source whose copy would land in it is named and passed over.
inline constexpr std::string_view kFolder = ".quillarc";

// Older copies a pass replaced or moved aside, one folder per pass named by
// its stamp, each holding the mirror path of the copy it kept:
// `.quillarc/versions/2026-12-10T210500Z/home/ann/Docs/a.txt`.
inline constexpr std::string_view kVersions = ".quillarc/versions";

// The disk's own copy of the catalogue of what it holds.
inline constexpr std::string_view kCatalogue = ".quillarc/catalogue.sqlite";

// A plain list of the disk's copies with their content hashes, in the form
// `xxh128sum -c` checks when run at the disk's root.
inline constexpr std::string_view kManifest = ".quillarc/manifest.xxh128";

// The program folder's catalogue of every disk.
inline constexpr std::string_view kProgramCatalogue = "catalogue.sqlite";

/// A pass's stamp, in UTC so that stamps sort by time across clock changes,
/// and without ':' so that FAT takes it as a folder name.
inline std::string passStamp(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc {};
    ::gmtime_r(&seconds, &utc);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H%M%SZ", &utc);
    return std::string(text, length);
}

/// True when a path below the disk root (no leading '/') is the program's
/// own folder or lies in it.
inline bool isOwnPath(std::string_view relative)
{
    return relative.substr(0, kFolder.size()) == kFolder &&
           (relative.size() == kFolder.size() || relative[kFolder.size()] == '/');
}

} // namespace quillarc::disklayout

#pragma once

#include <cstdint>
#include <string>

namespace quillarc::RoomCheck {

/// True when `freeBytes` alone takes the folder: free strictly greater than
/// the sized total.
bool fits(std::int64_t freeBytes, std::int64_t folderBytesTotal);

/// How many freshly formatted disks the rest needs, the capacity of the
/// disk in the drive standing for every further disk; at least 1. A
/// capacity of 0 or less (no figure) counts as one disk.
std::int64_t disksNeeded(std::int64_t freeBytes, std::int64_t folderBytesTotal, std::int64_t capacity);

/// The question put to the user, for one disk or for several.
std::string prompt(std::int64_t disks);

} // namespace quillarc::RoomCheck

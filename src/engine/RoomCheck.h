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

/// What the room check decides for a folder of `folderBytesTotal` bytes.
enum class Room {
    Fits,          ///< the free space takes it
    TakesVersions, ///< the free space and the versions' room take it: the oldest versions are pruned as copies need
    NeedsDisks,    ///< more disks are needed even with every version pruned
};
struct Decision {
    Room room = Room::Fits;
    std::int64_t disks = 0; ///< for NeedsDisks: freshly formatted disks to ask for
};

/// The room check with the disk's versions (`versionsBytes`, the room they
/// take) counted as room a pass may take back. No medium (`freeBytes` < 0)
/// has no versions either.
Decision decide(std::int64_t freeBytes, std::int64_t versionsBytes, std::int64_t folderBytesTotal,
                std::int64_t capacity);

/// The question put to the user, for one disk or for several.
std::string prompt(std::int64_t disks);

} // namespace quillarc::RoomCheck

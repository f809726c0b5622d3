#pragma once

#include "platform/linux/DriveMap.h"

#include <string>
#include <vector>

namespace quillarc {

/// A medium that came into or went out of a drive root.
struct MediaChange {
    bool inserted = false;
    std::string driveRoot;

    bool operator==(const MediaChange &) const = default;
};

/// Compares two snapshots of the mount table drive root by drive root: a
/// root that gained a medium is inserted, one that lost it removed, and one
/// whose medium was replaced gets both (removed first). Removals come before
/// insertions, each group in path order.
std::vector<MediaChange> mediaChanges(const DriveMap &before, const DriveMap &after);

} // namespace quillarc

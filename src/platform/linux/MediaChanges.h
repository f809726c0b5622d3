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
///
/// The roots compared are the mount points and automount folders of either
/// snapshot, and watchedRoots (drive roots ending in '/'), which may be
/// folders that are a medium by their label file, such as a backup folder on
/// a stick. Such a medium is the label file together with the file system
/// holding it: it goes when either does, and a different file system with a
/// label file in the same place is a different medium.
std::vector<MediaChange> mediaChanges(const DriveMap &before, const DriveMap &after,
                                      const std::vector<std::string> &watchedRoots = {});

} // namespace quillarc

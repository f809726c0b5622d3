#pragma once

#include "platform/linux/MountInfo.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillarc {

/// The medium found in a drive root: where it starts, and the mount that
/// carries it (none for a folder that is a medium by its label file).
struct DriveMedium {
    std::string root;                ///< ends in '/'
    std::optional<MountEntry> mount; ///< empty for a label-file folder
};

/// Drive roots and media over one snapshot of the mount table. A drive root
/// is a folder that holds a label file, an automount folder where the desktop
/// mounts removable media (/media/<user>/), or a mount point.
class DriveMap {
public:
    using LabelProbe = std::function<bool(const std::string &folder)>;

    DriveMap(std::vector<MountEntry> mounts, const std::vector<std::string> &automountFolders, LabelProbe holdsLabel);

    /// The drive root a chosen folder belongs to: the nearest folder at or
    /// above it that holds a label file, else the automount folder it lies
    /// in, else the mount point of its file system. Empty for a relative
    /// path or when the mount table is unknown.
    std::string driveRootFor(const std::string &folder) const;

    /// The medium in a drive root, if any. A label-file folder is its own
    /// medium; an automount folder holds the file system mounted directly
    /// beneath it (the one mounted last); a mount point holds the file system
    /// mounted there (the topmost).
    std::optional<DriveMedium> mediumOf(const std::string &driveRoot) const;

    /// The mount that carries a folder: the topmost one on the deepest mount
    /// point at or above it. None for a relative path or an empty table.
    std::optional<MountEntry> fileSystemOf(const std::string &folder) const;

    /// Every mount point and automount folder, as drive roots.
    std::vector<std::string> driveRoots() const;

    const std::vector<MountEntry> &mounts() const { return m_mounts; }

    /// Lexically normalised absolute path without a trailing '/' ("/" stays);
    /// empty for a relative or empty path.
    static std::string normalise(const std::string &path);

private:
    bool isAutomountFolder(const std::string &folder) const;
    bool holdsNoDisk(const std::string &folder) const;
    const MountEntry *holdingMount(const std::string &normalPath) const;

    std::vector<MountEntry> m_mounts;
    std::vector<std::string> m_automount; // normalised
    LabelProbe m_holdsLabel;
};

/// /media/<user> and /run/media/<user> for the user running the program.
std::vector<std::string> defaultAutomountFolders();

} // namespace quillarc

#pragma once

#include "platform/VolumeHost.h"
#include "platform/linux/DriveMap.h"

#include <string>
#include <vector>

namespace quillarc {

/// Drives and media of this machine, read afresh from the mount table on
/// every call so that media coming and going are seen at once. Holds no
/// mutable state: the backup pass may ask for free space from its worker
/// thread while the window asks for the label.
class LinuxVolumeHost : public VolumeHost {
public:
    struct Options {
        std::string mountInfoPath = "/proc/self/mountinfo";
        std::vector<std::string> automountFolders = defaultAutomountFolders();
        std::string byLabelDir = "/dev/disk/by-label";
    };

    LinuxVolumeHost();
    explicit LinuxVolumeHost(Options options);

    std::string mediumRoot(const std::string &driveRoot) const override;
    std::string volumeLabel(const std::string &driveRoot) const override;
    std::int64_t freeBytes(const std::string &driveRoot) const override;
    std::int64_t totalBytes(const std::string &driveRoot) const override;
    std::int64_t largestFile(const std::string &driveRoot) const override;
    std::string fileSystemUuid(const std::string &driveRoot) const override;

    /// The drive root a folder chosen by the user belongs to (see
    /// DriveMap::driveRootFor); empty when none can be found.
    std::string driveRootFor(const std::string &folder) const;

    /// The current mount table as drive roots and media.
    DriveMap snapshot() const;

private:
    Options m_options;
};

} // namespace quillarc

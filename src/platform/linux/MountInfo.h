#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillarc {

/// One line of /proc/self/mountinfo, with its path fields decoded.
struct MountEntry {
    int mountId = 0;
    int parentId = 0;
    std::string device;     ///< "major:minor"
    std::string root;       ///< folder of the file system mounted here
    std::string mountPoint; ///< where it is mounted, without a trailing '/' (except "/")
    std::string fsType;
    std::string source; ///< e.g. /dev/sdb1, or "tmpfs"

    bool operator==(const MountEntry &) const = default;
};

/// Undoes the kernel's octal escapes (\040 for a blank, \011, \012, \134)
/// in a mountinfo field. A backslash not followed by three octal digits is
/// kept as it stands.
std::string decodeMountField(std::string_view field);

/// Parses the whole text of a mountinfo file. Lines that do not have the
/// expected shape are skipped, so a damaged or unfamiliar table gives fewer
/// entries, never an error.
std::vector<MountEntry> parseMountInfo(std::string_view text);

/// Reads and parses a mountinfo file; an unreadable file gives an empty table.
std::vector<MountEntry> readMountInfo(const std::string &path = "/proc/self/mountinfo");

} // namespace quillarc

#pragma once

#include <string>

namespace quillarc {

/// The label udev publishes for a block device "major:minor" under
/// byLabelDir (/dev/disk/by-label), with udev's \xHH escapes undone; empty
/// when udev lists none.
std::string labelFromDiskByLabel(const std::string &device, const std::string &byLabelDir = "/dev/disk/by-label");

/// The file-system label libblkid reads from a block device node; empty when
/// the node is not a readable block device or its file system has no label.
std::string probeFileSystemLabel(const std::string &devicePath);

/// Undoes udev's \xHH escapes in a /dev/disk/by-label name.
std::string decodeUdevName(const std::string &name);

} // namespace quillarc

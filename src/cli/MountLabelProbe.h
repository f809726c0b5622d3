#pragma once

#include "platform/linux/MountInfo.h"

#include <chrono>
#include <optional>
#include <string>

namespace quillarc {

/// Reads the label of a mounted file system for the mount watch, which must
/// never stall on a mount: a network share or FUSE file system whose server
/// stopped answering blocks any process that looks inside it, beyond the
/// reach of signals. udev's by-label links and the block device's own
/// file-system label are read directly (the kernel answers for those); a
/// look inside the mount (its label file) or at an image file behind it is
/// made on a thread of its own, and a mount that has not answered within
/// `patience` is given up on. A thread left waiting on a dead mount stays
/// asleep until the mount answers or the process ends; it holds nothing the
/// watch needs.
class MountLabelProbe {
public:
    explicit MountLabelProbe(std::chrono::milliseconds patience = std::chrono::milliseconds(500),
                             std::string byLabelDir = "/dev/disk/by-label");

    /// The label; empty when the file system has none; nullopt when the
    /// mount did not answer in time.
    std::optional<std::string> labelOf(const MountEntry &mount) const;

private:
    std::chrono::milliseconds m_patience;
    std::string m_byLabelDir;
};

} // namespace quillarc

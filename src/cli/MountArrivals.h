#pragma once

#include "platform/linux/MountInfo.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quillarc {

/// A disk whose label is set to be backed up when mounted, just mounted.
struct Arrival {
    std::string label;
    std::string driveRoot; ///< its mount point, ending in '/'

    bool operator==(const Arrival &) const = default;
};

/// Tells, from one mount table after another, which opted-in disks arrived.
/// A disk is known by its label: it arrives when its label appears on some
/// mount and was on none in the table before, so it must leave and come back
/// for another pass, and a second mount of the same disk (a bind mount) is
/// no new arrival. The first table counts every disk in it as arrived.
/// A label is read once per mount (until one is found); the kernel's own
/// file systems are never looked at.
class MountArrivals {
public:
    /// The label of the file system mounted at a drive root; empty for none.
    using LabelReader = std::function<std::string(const std::string &driveRoot)>;
    using OptedIn = std::function<bool(const std::string &label)>;

    MountArrivals(LabelReader readLabel, OptedIn optedIn);

    /// The opted-in disks that arrived since the table before, in mount
    /// table order.
    std::vector<Arrival> update(const std::vector<MountEntry> &table);

    /// Where a disk of `label` is mounted now; empty when it is not.
    std::string driveRootOf(const std::string &label) const;

    /// True for the kernel's pseudo file systems (proc, sysfs, cgroup, ...).
    static bool isPseudoFileSystem(const std::string &fsType);

private:
    struct Known {
        std::string label;
        std::string driveRoot;
    };

    LabelReader m_readLabel;
    OptedIn m_optedIn;
    std::map<std::string, Known> m_mounts; ///< by mount identity
};

} // namespace quillarc

#pragma once

#include "platform/linux/MountInfo.h"

#include <chrono>
#include <functional>
#include <map>
#include <optional>
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
///
/// A label is read when a mount first shows. udev names a device up to a few
/// seconds after its mount shows, so a mount without a label is looked at
/// again a few times, at growing gaps, for a few seconds (lookAgain(), when
/// nextLook() says); after that it is left alone until it is mounted anew,
/// and so is a mount that did not answer at all. One change of the table
/// therefore costs a read of the new mounts only. The kernel's own file
/// systems are never looked at.
class MountArrivals {
public:
    using Clock = std::chrono::steady_clock;
    /// The label of a mounted file system: empty for none (yet), nullopt
    /// when the mount did not answer (it is not asked again).
    using LabelReader = std::function<std::optional<std::string>(const MountEntry &mount)>;
    using OptedIn = std::function<bool(const std::string &label)>;

    /// How long after a mount shows its label is still looked for.
    static constexpr std::chrono::milliseconds kLookFor {5000};

    MountArrivals(LabelReader readLabel, OptedIn optedIn);

    /// The opted-in disks that arrived since the table before, in mount
    /// table order.
    std::vector<Arrival> update(const std::vector<MountEntry> &table, Clock::time_point now);
    /// Looks again at the mounts of the last table whose label is due for
    /// another look; the arrivals that finds.
    std::vector<Arrival> lookAgain(Clock::time_point now) { return update(m_table, now); }
    /// The disks with a label that the last update() or lookAgain() saw
    /// arrive and left alone: they are not set to be backed up when mounted.
    /// Those in the first table are not among them.
    const std::vector<Arrival> &passedOver() const { return m_passedOver; }
    /// When a mount is next due for another look; nullopt when none is.
    std::optional<Clock::time_point> nextLook() const;

    /// Where a disk of `label` is mounted now; empty when it is not.
    std::string driveRootOf(const std::string &label) const;

    /// True for the kernel's pseudo file systems (proc, sysfs, cgroup, ...).
    static bool isKernelViewType(const std::string &fsType);

private:
    struct Known {
        std::string label;
        std::string driveRoot;
        Clock::time_point firstSeen;
        Clock::time_point nextLook;
        int looks = 0;
        bool settled = false; ///< labelled, given up on, or not answering
    };

    void look(const MountEntry &mount, Known &known, Clock::time_point now) const;

    LabelReader m_readLabel;
    OptedIn m_optedIn;
    std::vector<MountEntry> m_table;
    std::map<std::string, Known> m_mounts; ///< by mount identity
    std::vector<Arrival> m_passedOver;
    bool m_tableSeen = false;
};

} // namespace quillarc

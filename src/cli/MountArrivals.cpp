#include "cli/MountArrivals.h"

#include <array>
#include <set>
#include <string_view>

namespace quillarc {

namespace {

// The kernel reuses mount ids, so the device and source go with them.
std::string identity(const MountEntry &mount)
{
    return std::to_string(mount.mountId) + "|" + mount.device + "|" + mount.source + "|" + mount.mountPoint;
}

std::string asDriveRoot(const std::string &mountPoint)
{
    return mountPoint == "/" ? mountPoint : mountPoint + "/";
}

} // namespace

MountArrivals::MountArrivals(LabelReader readLabel, OptedIn optedIn)
    : m_readLabel(std::move(readLabel)), m_optedIn(std::move(optedIn))
{
}

bool MountArrivals::isPseudoFileSystem(const std::string &fsType)
{
    static constexpr std::array<std::string_view, 22> kPseudo {
        "proc",        "sysfs",      "devtmpfs", "devpts",     "cgroup",    "cgroup2", "mqueue",    "debugfs",
        "tracefs",     "securityfs", "pstore",   "bpf",        "configfs",  "fusectl", "hugetlbfs", "autofs",
        "binfmt_misc", "efivarfs",   "nsfs",     "rpc_pipefs", "selinuxfs", "overlay"};
    for (std::string_view pseudo : kPseudo)
        if (fsType == pseudo)
            return true;
    return false;
}

std::vector<Arrival> MountArrivals::update(const std::vector<MountEntry> &table)
{
    std::set<std::string> labelsBefore;
    for (const auto &[id, known] : m_mounts)
        if (!known.label.empty())
            labelsBefore.insert(known.label);

    std::map<std::string, Known> now;
    std::vector<Arrival> arrived;
    std::set<std::string> arrivedLabels;
    for (const MountEntry &mount : table) {
        if (isPseudoFileSystem(mount.fsType))
            continue;
        const std::string id = identity(mount);
        const auto seen = m_mounts.find(id);
        // A label not found yet is asked again: udev may name the device a
        // moment after the mount shows.
        Known known = seen != m_mounts.end() && !seen->second.label.empty()
                          ? seen->second
                          : Known {m_readLabel(asDriveRoot(mount.mountPoint)), asDriveRoot(mount.mountPoint)};
        if (!known.label.empty() && !labelsBefore.contains(known.label) && !arrivedLabels.contains(known.label)) {
            arrivedLabels.insert(known.label);
            if (m_optedIn(known.label))
                arrived.push_back({known.label, known.driveRoot});
        }
        now.emplace(id, std::move(known));
    }
    m_mounts = std::move(now);
    return arrived;
}

std::string MountArrivals::driveRootOf(const std::string &label) const
{
    for (const auto &[id, known] : m_mounts)
        if (known.label == label)
            return known.driveRoot;
    return {};
}

} // namespace quillarc

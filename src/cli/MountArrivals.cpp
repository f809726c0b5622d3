#include "cli/MountArrivals.h"

#include <algorithm>
#include <array>
#include <set>
#include <string_view>
#include <utility>

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

// The gap before the next look doubles from a tenth of a second, so a label
// udev publishes at once costs one look and one that comes late is still
// seen within a fraction of its delay.
std::chrono::milliseconds gapAfter(int looks)
{
    return std::chrono::milliseconds(100) * (1 << std::min(looks - 1, 10));
}

} // namespace

MountArrivals::MountArrivals(LabelReader readLabel, OptedIn optedIn)
    : m_readLabel(std::move(readLabel)), m_optedIn(std::move(optedIn))
{
}

bool MountArrivals::isKernelViewType(const std::string &fsType)
{
    static constexpr std::array<std::string_view, 22> kPseudo {
        "proc",        "sysfs",      "devtmpfs", "devpts",     "cgroup",    "cgroup2", "mqueue",    "debugfs",
        "tracefs",     "securityfs", "pstore",   "bpf",        "configfs",  "fusectl", "hugetlbfs", "autofs",
        "binfmt_misc", "efivarfs",   "nsfs",     "rpc_pipefs", "selinuxfs", "overlay"};
    return std::find(kPseudo.begin(), kPseudo.end(), fsType) != kPseudo.end();
}

void MountArrivals::look(const MountEntry &mount, Known &known, Clock::time_point now) const
{
    const std::optional<std::string> label = m_readLabel(mount);
    ++known.looks;
    known.label = label.value_or(std::string());
    known.settled = !label || !label->empty() || now - known.firstSeen >= kLookFor;
    known.nextLook = now + gapAfter(known.looks);
}

std::vector<Arrival> MountArrivals::update(const std::vector<MountEntry> &table, Clock::time_point now)
{
    std::set<std::string> labelsBefore;
    for (const auto &[id, known] : m_mounts)
        if (!known.label.empty())
            labelsBefore.insert(known.label);

    std::map<std::string, Known> current;
    std::vector<Arrival> arrived;
    m_passedOver.clear();
    const bool first = !std::exchange(m_tableSeen, true);
    std::set<std::string> arrivedLabels;
    for (const MountEntry &mount : table) {
        if (isKernelViewType(mount.fsType))
            continue;
        const std::string id = identity(mount);
        auto seen = m_mounts.find(id);
        Known known;
        if (seen != m_mounts.end()) {
            known = std::move(seen->second);
            if (!known.settled && now >= known.nextLook)
                look(mount, known, now);
        } else {
            known.driveRoot = asDriveRoot(mount.mountPoint);
            known.firstSeen = now;
            look(mount, known, now);
        }
        if (!known.label.empty() && !labelsBefore.contains(known.label) && !arrivedLabels.contains(known.label)) {
            arrivedLabels.insert(known.label);
            if (m_optedIn(known.label))
                arrived.push_back({known.label, known.driveRoot});
            else if (!first)
                m_passedOver.push_back({known.label, known.driveRoot});
        }
        current.emplace(id, std::move(known));
    }
    m_mounts = std::move(current);
    if (&table != &m_table)
        m_table = table;
    return arrived;
}

std::optional<MountArrivals::Clock::time_point> MountArrivals::nextLook() const
{
    std::optional<Clock::time_point> next;
    for (const auto &[id, known] : m_mounts)
        if (!known.settled && (!next || known.nextLook < *next))
            next = known.nextLook;
    return next;
}

std::string MountArrivals::driveRootOf(const std::string &label) const
{
    for (const auto &[id, known] : m_mounts)
        if (known.label == label)
            return known.driveRoot;
    return {};
}

} // namespace quillarc

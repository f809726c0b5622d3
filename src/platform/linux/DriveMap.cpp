#include "platform/linux/DriveMap.h"

#include <algorithm>
#include <pwd.h>
#include <unistd.h>

namespace quillarc {

namespace {

std::string asDriveRoot(const std::string &folder)
{
    return folder == "/" ? folder : folder + "/";
}

bool liesIn(const std::string &path, const std::string &folder)
{
    if (folder == "/")
        return true;
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/');
}

std::string parentOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || path == "/")
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

DriveMap::DriveMap(std::vector<MountEntry> mounts, const std::vector<std::string> &automountFolders,
                   LabelProbe holdsLabel)
    : m_mounts(std::move(mounts)), m_holdsLabel(std::move(holdsLabel))
{
    for (const auto &folder : automountFolders) {
        const std::string normal = normalise(folder);
        if (!normal.empty() && normal != "/")
            m_automount.push_back(normal);
    }
}

std::string DriveMap::normalise(const std::string &path)
{
    if (path.empty() || path.front() != '/')
        return {};
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(pos, end - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = end + 1;
    }
    std::string out;
    for (const auto &part : parts)
        out += "/" + part;
    return out.empty() ? "/" : out;
}

bool DriveMap::isAutomountFolder(const std::string &folder) const
{
    return std::find(m_automount.begin(), m_automount.end(), folder) != m_automount.end();
}

// The automount folder, and every folder above one, lies on the computer's
// own disk: the disks are mounted in it. A label file there (put there by
// someone who took the automount folder for the disk) would make backups
// land on the system disk, none on the disk in the drive.
bool DriveMap::holdsNoDisk(const std::string &folder) const
{
    return std::any_of(m_automount.begin(), m_automount.end(),
                       [&folder](const std::string &automount) { return liesIn(automount, folder); });
}

std::string DriveMap::driveRootFor(const std::string &folder) const
{
    const std::string path = normalise(folder);
    if (path.empty())
        return {};
    if (m_holdsLabel) {
        for (std::string at = path; !at.empty(); at = parentOf(at)) {
            if (!holdsNoDisk(at) && m_holdsLabel(at))
                return asDriveRoot(at);
        }
    }
    for (const auto &automount : m_automount) {
        if (liesIn(path, automount))
            return asDriveRoot(automount);
    }
    const MountEntry *holding = holdingMount(path);
    return holding ? asDriveRoot(holding->mountPoint) : std::string();
}

const MountEntry *DriveMap::holdingMount(const std::string &normalPath) const
{
    const MountEntry *best = nullptr;
    for (const auto &mount : m_mounts) {
        if (liesIn(normalPath, mount.mountPoint) && (!best || mount.mountPoint.size() >= best->mountPoint.size()))
            best = &mount;
    }
    return best;
}

std::optional<MountEntry> DriveMap::fileSystemOf(const std::string &folder) const
{
    const std::string path = normalise(folder);
    const MountEntry *holding = path.empty() ? nullptr : holdingMount(path);
    if (!holding)
        return std::nullopt;
    return *holding;
}

std::optional<DriveMedium> DriveMap::mediumOf(const std::string &driveRoot) const
{
    if (driveRoot.empty() || driveRoot.back() != '/')
        return std::nullopt;
    const std::string folder = normalise(driveRoot);
    if (folder.empty())
        return std::nullopt;
    if (!holdsNoDisk(folder) && m_holdsLabel && m_holdsLabel(folder))
        return DriveMedium {asDriveRoot(folder), std::nullopt};

    // The mount table lists mounts in the order they were made, so the last
    // match is the one mounted last (and, on one mount point, the visible one).
    if (isAutomountFolder(folder)) {
        const MountEntry *last = nullptr;
        for (const auto &mount : m_mounts) {
            if (mount.mountPoint != folder && parentOf(mount.mountPoint) == folder)
                last = &mount;
        }
        if (!last)
            return std::nullopt;
        return DriveMedium {asDriveRoot(last->mountPoint), *last};
    }
    const MountEntry *last = nullptr;
    for (const auto &mount : m_mounts) {
        if (mount.mountPoint == folder)
            last = &mount;
    }
    if (!last)
        return std::nullopt;
    return DriveMedium {asDriveRoot(folder), *last};
}

std::vector<std::string> DriveMap::driveRoots() const
{
    std::vector<std::string> roots;
    for (const auto &automount : m_automount)
        roots.push_back(asDriveRoot(automount));
    for (const auto &mount : m_mounts)
        roots.push_back(asDriveRoot(mount.mountPoint));
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return roots;
}

std::vector<std::string> defaultAutomountFolders()
{
    std::string user;
    std::vector<char> buffer(16384);
    struct passwd pwd {};
    struct passwd *found = nullptr;
    if (::getpwuid_r(::geteuid(), &pwd, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        user = found->pw_name;
    if (user.empty() || user.find('/') != std::string::npos)
        return {};
    return {"/media/" + user, "/run/media/" + user};
}

} // namespace quillarc

#include "engine/DiskItself.h"

#include "platform/linux/MountInfo.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <optional>

namespace quillarc {

namespace {

struct FreeDeleter {
    void operator()(char *text) const { std::free(text); } // NOLINT(cppcoreguidelines-no-malloc): realpath's buffer
};

std::string resolved(const std::string &path)
{
    const std::unique_ptr<char, FreeDeleter> text(::realpath(path.c_str(), nullptr));
    return text ? std::string(text.get()) : std::string();
}

bool liesIn(const std::string &path, const std::string &folder)
{
    if (folder == "/")
        return !path.empty() && path[0] == '/';
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/');
}

std::string joined(const std::string &folder, const std::string &below)
{
    if (below.empty())
        return folder;
    return folder == "/" ? below : folder + below;
}

// Where a resolved path lies as its file system sees it: the device and
// the path from that file system's own root, through the mount that shows
// it (the one mounted last among the longest mount points holding it).
struct FileSystemPlace {
    std::string device;
    std::string path;
};

std::optional<FileSystemPlace> placeOf(const std::string &path, const std::vector<MountEntry> &mounts)
{
    const MountEntry *best = nullptr;
    for (const MountEntry &mount : mounts)
        if (liesIn(path, mount.mountPoint) && (best == nullptr || mount.mountPoint.size() >= best->mountPoint.size()))
            best = &mount;
    if (best == nullptr)
        return std::nullopt;
    const std::string below = best->mountPoint == "/" ? path : path.substr(best->mountPoint.size());
    return FileSystemPlace {best->device, joined(best->root, below == "/" ? std::string() : below)};
}

std::string withoutSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

bool liesOnBackupDisk(const std::string &path, const std::string &mediumRoot, const std::vector<MountEntry> &mounts)
{
    if (path.empty() || mediumRoot.empty())
        return false;
    const std::string item = resolved(path);
    const std::string disk = resolved(mediumRoot);
    if (item.empty() || disk.empty())
        return false;
    if (liesIn(item, disk))
        return true;
    // The disk, or a folder of it, may be mounted a second time elsewhere
    // (a bind mount): known by its file system, it is the same disk.
    const auto itemPlace = placeOf(item, mounts);
    const auto diskPlace = placeOf(disk, mounts);
    return itemPlace && diskPlace && itemPlace->device == diskPlace->device && liesIn(itemPlace->path, diskPlace->path);
}

bool liesOnBackupDisk(const std::string &path, const std::string &mediumRoot)
{
    return liesOnBackupDisk(path, mediumRoot, readMountInfo());
}

std::vector<std::string> backupDiskMountsBelow(const std::string &folder, const std::string &mediumRoot,
                                               const std::vector<MountEntry> &mounts)
{
    std::vector<std::string> found;
    const std::string item = resolved(folder);
    const std::string disk = resolved(mediumRoot);
    if (item.empty() || disk.empty())
        return found;
    const auto diskPlace = placeOf(disk, mounts);
    if (!diskPlace)
        return found;
    for (const MountEntry &mount : mounts) {
        const std::string point = withoutSlash(mount.mountPoint);
        if (point == item || !liesIn(point, item) || liesIn(point, disk))
            continue;
        // What the mount shows is the disk or a folder of it. (One that
        // shows a folder holding the disk reaches the disk's root, which
        // the walk knows by its device and inode and passes over.)
        if (mount.device == diskPlace->device && liesIn(mount.root, diskPlace->path))
            found.push_back(point);
    }
    return found;
}

} // namespace quillarc

#include "platform/linux/MediaChanges.h"

#include <algorithm>
#include <set>

namespace quillarc {

namespace {

/// Mount ids are reused by the kernel, so the device and source go with them.
std::string mountIdentity(const MountEntry &mount)
{
    return std::to_string(mount.mountId) + "|" + mount.device + "|" + mount.source;
}

/// What tells two media apart.
std::string identity(const DriveMap &map, const std::string &root)
{
    const auto medium = map.mediumOf(root);
    if (!medium)
        return {};
    if (!medium->mount) {
        const auto holding = map.fileSystemOf(medium->root);
        return "folder:" + medium->root + "|" + (holding ? mountIdentity(*holding) : std::string());
    }
    return mountIdentity(*medium->mount) + "|" + medium->root;
}

} // namespace

std::vector<MediaChange> mediaChanges(const DriveMap &before, const DriveMap &after,
                                      const std::vector<std::string> &watchedRoots)
{
    std::set<std::string> roots(watchedRoots.begin(), watchedRoots.end());
    for (const auto &root : before.driveRoots())
        roots.insert(root);
    for (const auto &root : after.driveRoots())
        roots.insert(root);

    std::vector<MediaChange> removed, inserted;
    for (const auto &root : roots) {
        const std::string was = identity(before, root);
        const std::string is = identity(after, root);
        if (was == is)
            continue;
        if (!was.empty())
            removed.push_back({false, root});
        if (!is.empty())
            inserted.push_back({true, root});
    }
    removed.insert(removed.end(), inserted.begin(), inserted.end());
    return removed;
}

} // namespace quillarc

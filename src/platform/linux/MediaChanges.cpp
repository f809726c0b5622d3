#include "platform/linux/MediaChanges.h"

#include <algorithm>
#include <set>

namespace quillarc {

namespace {

/// What tells two media apart. Mount ids are reused by the kernel, so the
/// device and source go with them.
std::string identity(const DriveMap &map, const std::string &root)
{
    const auto medium = map.mediumOf(root);
    if (!medium)
        return {};
    if (!medium->mount)
        return "folder:" + medium->root;
    return std::to_string(medium->mount->mountId) + "|" + medium->mount->device + "|" + medium->mount->source + "|"
        + medium->root;
}

} // namespace

std::vector<MediaChange> mediaChanges(const DriveMap &before, const DriveMap &after)
{
    std::set<std::string> roots;
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

#include "engine/DiskVersions.h"

#include "catalogue/DiskLayout.h"
#include "engine/DiskFolders.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {

namespace {

constexpr int kMaxStampTries = 1000;

std::pair<std::string_view, std::string_view> splitFolder(std::string_view relative)
{
    const std::size_t slash = relative.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string_view(), relative};
    return {relative.substr(0, slash), relative.substr(slash + 1)};
}

// A rename that never replaces what is there. Where the file system cannot
// promise that (some FUSE file systems), the name is looked at first: a
// pass holds the disk's lock, so nobody else makes it meanwhile.
int renameNoReplace(int fromDir, const char *from, int toDir, const char *to)
{
    if (::renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return -1;
    struct stat st {};
    if (::fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::renameat(fromDir, from, toDir, to);
}

std::vector<std::string> stampsOldestFirst(int versionsFd)
{
    std::vector<std::string> stamps = diskfolders::namesIn(versionsFd);
    std::sort(stamps.begin(), stamps.end());
    return stamps;
}

UniqueFd versionsFolder(int rootFd, bool create)
{
    return diskfolders::openBeneath(rootFd, disklayout::kVersions, create);
}

} // namespace

std::optional<std::string> DiskVersions::keep(int rootFd, int dirFd, const std::string &name,
                                              std::string_view relative) const
{
    const UniqueFd versions = versionsFolder(rootFd, true);
    if (!versions)
        return std::nullopt;
    const std::string_view folderPart = splitFolder(relative).first;
    for (int n = 1; n <= kMaxStampTries; ++n) {
        const std::string stamp = n == 1 ? m_stamp : m_stamp + "-" + std::to_string(n);
        const UniqueFd stampFd = diskfolders::openBeneath(versions.get(), stamp, true);
        const UniqueFd into = stampFd ? diskfolders::openBeneath(stampFd.get(), folderPart, true) : UniqueFd();
        if (!into)
            return std::nullopt;
        if (renameNoReplace(dirFd, name.c_str(), into.get(), name.c_str()) == 0)
            return stamp;
        if (errno != EEXIST && errno != ENOTEMPTY)
            return std::nullopt;
    }
    errno = EEXIST;
    return std::nullopt;
}

bool DiskVersions::putBack(int rootFd, const std::string &stamp, int dirFd, const std::string &name,
                           std::string_view relative)
{
    const UniqueFd versions = versionsFolder(rootFd, false);
    const UniqueFd stampFd = versions ? diskfolders::openBeneath(versions.get(), stamp, false) : UniqueFd();
    const UniqueFd from =
        stampFd ? diskfolders::openBeneath(stampFd.get(), splitFolder(relative).first, false) : UniqueFd();
    return from && renameNoReplace(from.get(), name.c_str(), dirFd, name.c_str()) == 0;
}

std::int64_t DiskVersions::room(int rootFd)
{
    const UniqueFd versions = versionsFolder(rootFd, false);
    std::int64_t bytes = 0;
    if (versions)
        diskfolders::forEachFile(versions.get(), {},
                                 [&](int, const char *, const std::string &, const struct stat &st) {
                                     bytes += static_cast<std::int64_t>(st.st_blocks) * 512;
                                     return true;
                                 });
    return bytes;
}

std::int64_t DiskVersions::roomUpTo(int rootFd, std::int64_t wanted)
{
    const UniqueFd versions = versionsFolder(rootFd, false);
    std::int64_t bytes = 0;
    if (!versions || wanted <= 0)
        return 0;
    for (const std::string &stamp : stampsOldestFirst(versions.get())) {
        const UniqueFd stampFd = diskfolders::openBeneath(versions.get(), stamp, false);
        if (stampFd && !diskfolders::forEachFile(stampFd.get(), {},
                                                 [&](int, const char *, const std::string &, const struct stat &st) {
                                                     bytes += static_cast<std::int64_t>(st.st_blocks) * 512;
                                                     return bytes < wanted;
                                                 }))
            break;
    }
    return bytes;
}

std::int64_t DiskVersions::prune(int rootFd, const std::function<bool(std::int64_t)> &enough,
                                 const std::function<void(const std::string &, const std::string &)> &pruned)
{
    const UniqueFd versions = versionsFolder(rootFd, false);
    std::int64_t given = 0;
    if (!versions || enough(0))
        return 0;
    for (const std::string &stamp : stampsOldestFirst(versions.get())) {
        const UniqueFd stampFd = diskfolders::openBeneath(versions.get(), stamp, false);
        if (!stampFd)
            continue;
        const bool done = !diskfolders::forEachFile(
            stampFd.get(), {}, [&](int folderFd, const char *name, const std::string &path, const struct stat &st) {
                if (::unlinkat(folderFd, name, 0) != 0)
                    return true;
                given += static_cast<std::int64_t>(st.st_blocks) * 512;
                if (pruned)
                    pruned(stamp, path);
                return !enough(given);
            });
        diskfolders::removeEmptyFolders(stampFd.get());
        ::unlinkat(versions.get(), stamp.c_str(), AT_REMOVEDIR);
        if (done)
            break;
    }
    return given;
}

std::vector<DiskVersions::Version> DiskVersions::of(int rootFd, std::string_view relative)
{
    std::vector<Version> found;
    const UniqueFd versions = versionsFolder(rootFd, false);
    if (!versions)
        return found;
    const auto [folderPart, name] = splitFolder(relative);
    for (const std::string &stamp : stampsOldestFirst(versions.get())) {
        const UniqueFd stampFd = diskfolders::openBeneath(versions.get(), stamp, false);
        const UniqueFd folder = stampFd ? diskfolders::openBeneath(stampFd.get(), folderPart, false) : UniqueFd();
        struct stat st {};
        if (!folder || name.empty() ||
            ::fstatat(folder.get(), std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISDIR(st.st_mode)) {
            found.push_back({stamp, std::string(relative), st.st_size, st.st_mtim});
            continue;
        }
        const UniqueFd below = diskfolders::openBeneath(folder.get(), name, false);
        if (below)
            diskfolders::forEachFile(below.get(), std::string(relative),
                                     [&](int, const char *, const std::string &path, const struct stat &file) {
                                         found.push_back({stamp, path, file.st_size, file.st_mtim});
                                         return true;
                                     });
    }
    return found;
}

} // namespace quillarc

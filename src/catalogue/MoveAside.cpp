#include "catalogue/MoveAside.h"

#include "base/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <cstdio>
#include <sys/stat.h>

namespace quillarc {

namespace {

// The folder holding the last part of `path`, reached one name at a time
// from the root; created on the way with `create`.
UniqueFd openParent(int rootFd, const std::string &path, bool create, std::string &leaf, int &error)
{
    UniqueFd folder(::openat(rootFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::size_t start = 0;
    for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', start)) {
        const std::string part = path.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == "." || part == "..") {
            error = EINVAL;
            return {};
        }
        if (create && ::mkdirat(folder.get(), part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = errno;
            return {};
        }
        UniqueFd next(::openat(folder.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next) {
            error = errno;
            return {};
        }
        folder = std::move(next);
    }
    leaf = path.substr(start);
    return folder;
}

} // namespace

UniqueFd openOnDisk(int rootFd, const std::string &path, int &error)
{
    std::string leaf;
    const UniqueFd folder = openParent(rootFd, path, false, leaf, error);
    if (!folder)
        return {};
    UniqueFd file(::openat(folder.get(), leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file)
        error = errno;
    return file;
}

int moveOnDisk(int rootFd, const std::string &from, const std::string &to)
{
    int error = 0;
    std::string fromName;
    std::string toName;
    const UniqueFd fromFolder = openParent(rootFd, from, false, fromName, error);
    if (!fromFolder)
        return error;
    const UniqueFd toFolder = openParent(rootFd, to, true, toName, error);
    if (!toFolder)
        return error;
    if (::renameat2(fromFolder.get(), fromName.c_str(), toFolder.get(), toName.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system that cannot promise not to replace (FUSE): look first.
    struct stat st {};
    if (::fstatat(toFolder.get(), toName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(fromFolder.get(), fromName.c_str(), toFolder.get(), toName.c_str()) == 0 ? 0 : errno;
}

} // namespace quillarc

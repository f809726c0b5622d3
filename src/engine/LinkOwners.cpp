#include "engine/LinkOwners.h"

#include <fcntl.h>
#include <unistd.h>

namespace quillarc {

bool runsAsRoot()
{
    static const bool asRoot = ::geteuid() == 0;
    return asRoot;
}

bool linkMayBeFollowed(const struct stat &link, const struct stat &target)
{
    return !runsAsRoot() || link.st_uid == target.st_uid;
}

bool openedAsLooked(int dirFd, const char *name, const struct stat &before, const struct stat &opened)
{
    if (!runsAsRoot())
        return true;
    struct stat after {};
    if (::fstatat(dirFd, name, &after, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    // A link cannot be changed in place, only replaced: the same link
    // before and after is the one that led to the file.
    if (S_ISLNK(after.st_mode))
        return S_ISLNK(before.st_mode) && before.st_dev == after.st_dev && before.st_ino == after.st_ino &&
               linkMayBeFollowed(after, opened);
    return after.st_dev == opened.st_dev && after.st_ino == opened.st_ino;
}

std::string foreignLinkCause(const struct stat &link, const struct stat &target)
{
    return "a symbolic link of user " + std::to_string(link.st_uid) + " to a file of user " +
           std::to_string(target.st_uid) + ": not followed when the backup runs as root";
}

} // namespace quillarc

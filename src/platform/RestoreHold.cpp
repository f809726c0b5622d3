#include "platform/RestoreHold.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillarc {

namespace {

UniqueFd openFolder(const std::string &path)
{
    if (path.empty())
        return UniqueFd();
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

int tryLock(int fd, int kind)
{
    int result = 0;
    do
        result = ::flock(fd, kind | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

} // namespace

RestoreHold::Result RestoreHold::take(const std::string &programFolder)
{
    release();
    UniqueFd folder = openFolder(programFolder);
    if (!folder)
        return Result::Unlockable;
    const int error = tryLock(folder.get(), LOCK_SH);
    if (error == EWOULDBLOCK)
        return Result::PassRunning;
    if (error != 0)
        return Result::Unlockable;
    m_folder = std::move(folder);
    return Result::Taken;
}

bool RestoreHold::restoreRunning(const std::string &programFolder)
{
    // A shared lock is had only while no pass holds the folder; an
    // exclusive one is then refused only because someone shares it. Each
    // try opens the folder anew, so this process's own hold counts too.
    const UniqueFd shared = openFolder(programFolder);
    if (!shared || tryLock(shared.get(), LOCK_SH) != 0)
        return false;
    const UniqueFd exclusive = openFolder(programFolder);
    if (!exclusive)
        return false;
    ::flock(shared.get(), LOCK_UN);
    // Our own shared lock is let go first, or it would be the one found.
    return tryLock(exclusive.get(), LOCK_EX) == EWOULDBLOCK;
}

} // namespace quillarc

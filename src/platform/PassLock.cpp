#include "platform/PassLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillarc {

namespace {

enum class Outcome {
    Locked,
    Unlockable,
    Busy
};

// A folder that cannot be opened or locked (no right to read it, a file
// system without locks) is left unlocked: the pass meets the real fault,
// if any, when it writes there.
Outcome lockFolder(const std::string &path, UniqueFd &held)
{
    held.reset();
    if (path.empty())
        return Outcome::Unlockable;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return Outcome::Unlockable;
    int result = 0;
    do
        result = ::flock(fd.get(), LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0)
        return errno == EWOULDBLOCK ? Outcome::Busy : Outcome::Unlockable;
    held = std::move(fd);
    return Outcome::Locked;
}

} // namespace

PassLock::Result PassLock::take(const std::string &programFolder, const std::string &mediumRoot)
{
    release();
    // Always the program folder first, so that two passes never each hold
    // the lock the other waits for.
    if (lockFolder(programFolder, m_programFolder) == Outcome::Busy ||
        lockFolder(mediumRoot, m_medium) == Outcome::Busy) {
        release();
        return Result::Busy;
    }
    return Result::Taken;
}

PassLock::Result PassLock::takeMedium(const std::string &mediumRoot)
{
    return lockFolder(mediumRoot, m_medium) == Outcome::Busy ? Result::Busy : Result::Taken;
}

void PassLock::release()
{
    m_medium.reset();
    m_programFolder.reset();
}

const char *PassLock::busyMessage()
{
    return "A backup pass is already running with this program folder or this backup disk. Nothing was changed; "
           "start the backup again when that pass has ended.";
}

} // namespace quillarc

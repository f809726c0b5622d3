#include "platform/PassLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {

namespace {

enum class Outcome {
    Locked,
    Unlockable,
    Busy
};

Outcome lockFd(UniqueFd fd, UniqueFd &held)
{
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

// A folder that cannot be opened or locked (no right to read it, a file
// system without locks) is left unlocked here.
Outcome lockFolder(const std::string &path, UniqueFd &held)
{
    held.reset();
    if (path.empty())
        return Outcome::Unlockable;
    return lockFd(UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), held);
}

// A file that every user can open for reading in a folder every user can
// write to, made once and never removed: a file removed while another pass
// holds it open would let a third lock a new one. The folder's sticky bit
// keeps others from removing or replacing it; a file put there first under
// that name by someone else is used only when it is a plain file.
UniqueFd openSharedLockFile(const std::string &folder, const std::string &name)
{
    const std::string path = folder + "/" + name;
    for (int attempt = 0; attempt < 3; ++attempt) {
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd && errno == ENOENT) {
            fd.reset(::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
            if (!fd && errno == EEXIST)
                continue;
            if (fd)
                ::fchmod(fd.get(), 0644); // whatever the umask: the other users' passes open it too
        }
        struct stat st {};
        if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
            return UniqueFd();
        return fd;
    }
    return UniqueFd();
}

// The medium's lock, kept where every user may take it: a pass of a user
// who may write to the disk's root but not list it (mode 0733) cannot open
// the root to lock it, and must still meet the passes of those who can.
// The medium is named by its device and inode, so that two ways to one
// disk meet as well.
Outcome lockSharedFile(const std::string &mediumRoot, UniqueFd &held)
{
    held.reset();
    struct stat root {};
    if (mediumRoot.empty() || ::stat(mediumRoot.c_str(), &root) != 0)
        return Outcome::Unlockable;
    const std::string name = "quillarc-disk-" + std::to_string(static_cast<unsigned long long>(root.st_dev)) + "-" +
                             std::to_string(static_cast<unsigned long long>(root.st_ino)) + ".lock";
    for (const char *folder : {"/run/lock", "/dev/shm", "/tmp"}) {
        struct stat st {};
        if (::stat(folder, &st) != 0 || !S_ISDIR(st.st_mode) || (st.st_mode & S_ISVTX) == 0)
            continue;
        const Outcome outcome = lockFd(openSharedLockFile(folder, name), held);
        if (outcome != Outcome::Unlockable)
            return outcome;
    }
    return Outcome::Unlockable;
}

} // namespace

PassLock::Result PassLock::takeMedium(const std::string &mediumRoot)
{
    m_medium.reset();
    m_mediumShared.reset();
    if (mediumRoot.empty())
        return Result::Taken;
    const Outcome onFolder = lockFolder(mediumRoot, m_medium);
    const Outcome shared = lockSharedFile(mediumRoot, m_mediumShared);
    if (onFolder == Outcome::Busy || shared == Outcome::Busy) {
        releaseMedium();
        return Result::Busy;
    }
    // A disk that is there but can be locked neither way could hold
    // another pass's copies at this moment.
    struct stat st {};
    if (onFolder == Outcome::Unlockable && shared == Outcome::Unlockable && ::stat(mediumRoot.c_str(), &st) == 0)
        return Result::Unlockable;
    return Result::Taken;
}

PassLock::Result PassLock::take(const std::string &programFolder, const std::string &mediumRoot)
{
    release();
    // Always the program folder first, so that two passes never each hold
    // the lock the other waits for.
    if (lockFolder(programFolder, m_programFolder) == Outcome::Busy) {
        release();
        return Result::Busy;
    }
    const Result medium = takeMedium(mediumRoot);
    if (medium != Result::Taken)
        release();
    return medium;
}

void PassLock::release()
{
    releaseMedium();
    m_programFolder.reset();
}

const char *PassLock::busyMessage()
{
    return "A backup pass is already running with this program folder or this backup disk. Nothing was changed; "
           "start the backup again when that pass has ended.";
}

const char *PassLock::unlockableMessage()
{
    return "The backup disk cannot be locked for this pass, so another pass could be writing to it at the same "
           "time. Nothing was changed; make the disk's top folder readable for this user, and start the backup "
           "again.";
}

} // namespace quillarc

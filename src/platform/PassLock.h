#pragma once

#include <string>

#include "base/UniqueFd.h"

namespace quillarc {

/// The lock that lets one backup pass at a time work with a program folder
/// (its list files and log) and with a backup disk, whoever starts it: the
/// window, quillarc-pass from a timer, or a pass started by a mount.
///
/// The locks are `flock` locks on the program folder itself and on the
/// root of the medium, and on a file in the machine's lock folder
/// (/run/lock) named by the medium's device and inode, which every user
/// can take whether or not they may list the disk's root. Nothing is
/// written on the disk for them, so a disk gains no file that a copy could
/// land on, and a read-only or full disk locks as well as any. The kernel lets go of a lock when its pass
/// ends in any way, a killed one included, so no pass is ever blocked by a
/// stale lock. Two passes of different users (root's timer, a person's
/// window) on one disk meet at the same folder, and so do two drive roots
/// that lead to the same medium.
class PassLock {
public:
    enum class Result {
        Taken,      ///< held (a folder that is not there is left unlocked)
        Busy,       ///< another pass holds one of them; nothing is held
        Unlockable, ///< the disk is there but can be locked in no way; nothing is held
    };

    /// Takes the locks of `programFolder` and of `mediumRoot` without
    /// waiting. Either may be empty (none to take).
    Result take(const std::string &programFolder, const std::string &mediumRoot);
    /// The pass moves to another disk: the full one's lock goes with every
    /// other hold on it, so that it can be unmounted.
    void releaseMedium()
    {
        m_medium.reset();
        m_mediumShared.reset();
    }
    /// Takes the lock of the disk the pass moved to; Busy when another pass
    /// holds it, Unlockable when it cannot be locked (the program folder's
    /// lock stays held either way).
    Result takeMedium(const std::string &mediumRoot);
    /// Lets go of both (also when the object goes).
    void release();
    bool held() const { return m_programFolder.valid() || m_medium.valid() || m_mediumShared.valid(); }

    /// What a pass that found the lock taken says.
    static const char *busyMessage();
    /// What a pass says that could not lock the disk at all.
    static const char *unlockableMessage();

private:
    UniqueFd m_programFolder;
    UniqueFd m_medium;
    UniqueFd m_mediumShared;
};

} // namespace quillarc

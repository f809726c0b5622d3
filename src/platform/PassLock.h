#pragma once

#include <string>

#include "base/UniqueFd.h"

namespace quillarc {

/// The lock that lets one backup pass at a time work with a program folder
/// (its list files and log) and with a backup disk, whoever starts it: the
/// window, quillarc-pass from a timer, or a pass started by a mount.
///
/// Both locks are `flock` locks on the folders themselves: the program
/// folder, and the root of the medium. Nothing is written for them, so a
/// disk gains no file that a copy could land on, and a read-only or full
/// disk locks as well as any. The kernel lets go of a lock when its pass
/// ends in any way, a killed one included, so no pass is ever blocked by a
/// stale lock. Two passes of different users (root's timer, a person's
/// window) on one disk meet at the same folder, and so do two drive roots
/// that lead to the same medium.
class PassLock {
public:
    enum class Result {
        Taken, ///< both held (a folder that cannot be opened is left unlocked)
        Busy,  ///< another pass holds one of them; nothing is held
    };

    /// Takes the locks of `programFolder` and of `mediumRoot` without
    /// waiting. Either may be empty (none to take).
    Result take(const std::string &programFolder, const std::string &mediumRoot);
    /// The pass moves to another disk: the full one's lock goes with every
    /// other hold on it, so that it can be unmounted.
    void releaseMedium() { m_medium.reset(); }
    /// Takes the lock of the disk the pass moved to; Busy when another pass
    /// holds it (the program folder's lock stays held either way).
    Result takeMedium(const std::string &mediumRoot);
    /// Lets go of both (also when the object goes).
    void release();
    bool held() const { return m_programFolder.valid() || m_medium.valid(); }

    /// What a pass that found the lock taken says.
    static const char *busyMessage();

private:
    UniqueFd m_programFolder;
    UniqueFd m_medium;
};

} // namespace quillarc

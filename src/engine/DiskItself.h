#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillarc {

struct MountEntry;

/// The message for a folder or file chosen for the list that lies on the
/// backup disk itself (upper case, as the window's notices are).
inline constexpr std::string_view kOnBackupDiskMessage =
    "THIS LIES ON THE BACKUP DISK ITSELF.\rA DISK CANNOT HOLD A BACKUP OF ITSELF.";

/// True when `path` lies on the backup disk whose root is `mediumRoot`: at
/// or below the root, both taken with every link resolved, or reached
/// through another mount of the disk's file system (a bind mount) at or
/// below the folder the disk's root is on that file system. A backup of it
/// would be written into itself, one level deeper on every pass. False
/// when either cannot be resolved (a missing item is named for that
/// instead). `mounts`: the mount table; the process's own when not given.
bool liesOnBackupDisk(const std::string &path, const std::string &mediumRoot);
bool liesOnBackupDisk(const std::string &path, const std::string &mediumRoot, const std::vector<MountEntry> &mounts);

/// Mount points below `folder` (not the folder itself, nor the disk's own
/// mount) that show the backup disk again, a folder of it, or a folder
/// holding it: a walk of `folder` must pass over them, and says so.
std::vector<std::string> backupDiskMountsBelow(const std::string &folder, const std::string &mediumRoot,
                                               const std::vector<MountEntry> &mounts);

} // namespace quillarc

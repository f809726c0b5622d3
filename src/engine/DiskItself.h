#pragma once

#include <string>
#include <string_view>

namespace quillarc {

/// The message for a folder or file chosen for the list that lies on the
/// backup disk itself (upper case, as the window's notices are).
inline constexpr std::string_view kOnBackupDiskMessage =
    "THIS LIES ON THE BACKUP DISK ITSELF.\rA DISK CANNOT HOLD A BACKUP OF ITSELF.";

/// True when `path` lies at or below the medium root `mediumRoot`, both
/// taken with every link resolved. A backup of it would be written into
/// itself, one level deeper on every pass. False when either cannot be
/// resolved (a missing item is named for that instead).
bool liesOnBackupDisk(const std::string &path, const std::string &mediumRoot);

} // namespace quillarc

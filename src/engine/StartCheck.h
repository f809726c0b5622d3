#pragma once

#include <cstdint>
#include <string>

namespace quillarc {

class BackupList;

/// Whether the Backup command may start a pass.
enum class StartCheck {
    Go,             ///< start the worker
    NoFreeSpace,    ///< "NO FREE SPACE ON THIS DISK"; no flag changes
    EmptyList,      ///< nothing happens, without a message
    NothingChecked, ///< "NO ITEMS HAVE BEEN CHECKMARKED ON THE BACKUP LIST."
};

/// The Backup command's checks, in its order: exactly 0 bytes free (any
/// other figure, -1 for a missing medium included, counts as room), an
/// empty list, no checked item.
StartCheck checkStart(std::int64_t freeBytes, const BackupList &list);

/// The message of a refusal; empty for Go and EmptyList.
std::string startMessage(StartCheck check);

} // namespace quillarc

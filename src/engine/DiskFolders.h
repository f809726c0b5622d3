#pragma once

#include <functional>
#include <sys/stat.h>
#include <string>
#include <string_view>
#include <vector>

#include "base/UniqueFd.h"

namespace quillarc::diskfolders {

/// Opens the folder `relative` below `at` one name at a time, never
/// following a symbolic link, so that a link on the disk cannot lead a
/// walk or a write outside it. With `create`, missing folders are made
/// private (0700): what the program keeps on the disk is never more open
/// than the copies in it. An invalid descriptor with errno set on failure.
UniqueFd openBeneath(int at, std::string_view relative, bool create);

/// The names in the folder `dirFd` but "." and "..", in no particular order.
std::vector<std::string> namesIn(int dirFd);

/// Calls `file(folderFd, name, relativePath, stat)` for every entry that is
/// not a folder below the folder `dirFd`, depth first, names in no
/// particular order; `relative` prefixes the paths handed over. Stops,
/// returning false, as soon as `file` returns false.
using FileVisit =
    std::function<bool(int folderFd, const char *name, const std::string &relative, const struct stat &st)>;
bool forEachFile(int dirFd, const std::string &relative, const FileVisit &file);

/// Removes the folders below `dirFd` that are empty (after their own empty
/// folders went), and leaves every other entry alone.
void removeEmptyFolders(int dirFd);

} // namespace quillarc::diskfolders

#pragma once

#include "base/UniqueFd.h"

#include <string>

namespace quillarc {

/// Opens the file at `path` below the disk root open as `rootFd` for
/// reading, one name at a time and never through a link; `error` says why
/// not.
UniqueFd openOnDisk(int rootFd, const std::string &path, int &error);

/// Moves the file at `from` to `to` (both below the disk root open as
/// `rootFd`, no leading '/'), creating the folders `to` needs; neither path
/// is followed through a link the disk may carry, and nothing is written
/// over. Returns 0, or the errno of what failed.
int moveOnDisk(int rootFd, const std::string &from, const std::string &to);

} // namespace quillarc

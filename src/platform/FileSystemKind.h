#pragma once

#include <string>

namespace quillarc {

/// Whether the file system holding `path` keeps a folder's inode number for
/// as long as the folder exists, so that a number seen on one pass names
/// the same folder on the next. FAT and exFAT make numbers up from where an
/// entry lies (a rename or a remount changes them, a new folder may get an
/// old one's), and FUSE, network and 9p file systems hand out numbers of
/// their own choosing. False also when the file system cannot be asked.
bool keepsInodeNumbers(const std::string &path);

/// The same for a file system by its statfs magic number.
bool keepsInodeNumbers(long magic);

/// True when a file system (or a bind mount of a folder) is mounted on the
/// folder `path`. False when it is not, or cannot be looked at.
bool isMountPoint(const std::string &path);

} // namespace quillarc

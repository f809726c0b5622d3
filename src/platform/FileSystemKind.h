#pragma once

#include <cstdint>
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

/// What a pass needs to know of the file system holding `path`: whether it
/// keeps inode numbers (above), and its own identity as statfs gives it
/// (ext4 and most disk file systems derive it from the file system's
/// UUID), which tells apart two sticks that come up on the same device
/// number in turn. 0 when none is given.
struct FileSystemFacts {
    bool keepsInodeNumbers = false;
    std::uint64_t identity = 0;
};
FileSystemFacts fileSystemFacts(const std::string &path);

/// True when a file system (or a bind mount of a folder) is mounted on the
/// folder `path`. False when it is not, or cannot be looked at.
bool isMountPoint(const std::string &path);

} // namespace quillarc

#pragma once

#include <string>

namespace quillarc {

/// True when `name` in the disk's folder `folderOnDisk` would reach an
/// entry listed there only under another case: the disk does not tell such
/// names apart (FAT), and the entry belongs to another source name.
bool takenUnderAnotherCase(const std::string &folderOnDisk, const std::string &name);
/// The same, for the folder open as `dirFd`.
bool takenUnderAnotherCase(int dirFd, const std::string &name);

} // namespace quillarc

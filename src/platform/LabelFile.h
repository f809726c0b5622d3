#pragma once

#include <string>

namespace quillarc {

/// Name of the file that makes a folder a backup medium of its own, or gives
/// a file system without a label of its own one; its first line is the label.
inline constexpr const char *kLabelFileName = ".quillarc-label";

/// True when folder (with or without a trailing '/') holds a label file.
bool holdsLabelFile(const std::string &folder);

/// The first line of the folder's label file, without its line end; empty
/// when there is no such file, it cannot be read, or it is empty. Only the
/// first 4096 bytes are looked at, so a huge or endless file cannot stall us.
std::string readLabelFile(const std::string &folder);

} // namespace quillarc

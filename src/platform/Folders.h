#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace quillarc {

/// Creates `folder` and every missing folder above it (mode 0700 for new
/// ones). Throws FileError naming the folder that could not be made.
void makeFolders(const std::string &folder);

/// A sub-folder found by listSubFolders().
struct SubFolder {
    std::string name;
    bool isLink = false; ///< a link to a folder: shown, but not to be walked
};

/// The sub-folders of `folder` (links to folders included), hidden ones
/// left out, sorted by name without regard to case; none when it cannot be
/// listed.
std::vector<SubFolder> listSubFolders(const std::string &folder);

/// The modification time of the file at `path`, as local broken-down time;
/// none when it cannot be read.
std::optional<struct tm> localModificationTime(const std::string &path);

} // namespace quillarc

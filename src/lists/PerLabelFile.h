#pragma once

#include <string>
#include <string_view>

namespace quillarc {

/// A disk keeps its files in the program folder under its label, one name
/// for all of them with a suffix for each: the list, the folders each item
/// saw, whether a pass starts when it is mounted, how its last pass went.
inline constexpr std::string_view kListFileSuffix = ".ini";
inline constexpr std::string_view kSeenFoldersSuffix = ".folders";
inline constexpr std::string_view kAutoBackupSuffix = ".auto";
inline constexpr std::string_view kStatusRecordSuffix = ".status";

/// The label as it stands + `suffix`, except that '/', NUL and '%' become
/// %2F, %00, %25 and a label "." or ".." becomes %2E or %2E%2E, so that any
/// label stays inside the program folder.
std::string perLabelFileName(std::string_view label, std::string_view suffix);

/// The label a per-label file name with `suffix` stands for (the naming
/// undone); empty when `name` is no such name.
std::string labelOfPerLabelFileName(std::string_view name, std::string_view suffix);

} // namespace quillarc

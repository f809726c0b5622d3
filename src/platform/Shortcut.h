#pragma once

#include "platform/ShellFolders.h"
#include "platform/ShortcutLocation.h"

#include <string>

namespace quillarc {

/// File name every launcher of the program ends up with.
inline constexpr const char *kShortcutFileName = "Quillarc.desktop";

/// Places a launcher (freedesktop .desktop file) that starts target.
/// The folder is the location's folder, with subFolder below it when that
/// is not empty; for OtherFolder, subFolder is the folder. The launcher is
/// first saved under the target's name with ".desktop" for its extension,
/// then moved to "Quillarc.desktop"; an existing "Quillarc.desktop" there
/// is left alone. Missing sub-folders are not created. Returns whether a
/// launcher was written; callers may ignore it (failures are silent).
bool CreateShortcut(const std::string &target, ShortcutLocation location, const std::string &subFolder,
                    const ShellFolders &folders = ShellFolders::ofUser());

/// The user's Start Menu (applications) folder; empty when it cannot be found.
std::string GetStartMenuFolder();

/// The launcher's file name before the move: the file-name part of target
/// with its extension replaced by ".desktop" (backup.exe gives backup.desktop).
std::string shortcutLinkName(const std::string &target);

/// A path as one argument of a launcher's Exec= line, quoted and escaped by
/// the Desktop Entry rules (quoting, '%' doubling, then string escapes).
std::string desktopExecArgument(const std::string &path);

/// The whole text of a launcher for target.
std::string desktopEntryText(const std::string &target);

} // namespace quillarc

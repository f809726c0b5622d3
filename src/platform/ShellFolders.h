#pragma once

#include "platform/ShortcutLocation.h"

#include <string>

namespace quillarc {

/// The user's folders that launchers go into; empty where there is none.
struct ShellFolders {
    std::string desktop;     ///< XDG desktop folder (user-dirs.dirs), else ~/Desktop
    std::string quickLaunch; ///< the top of the applications folder
    std::string sendTo;      ///< always empty on Linux
    std::string startMenu;   ///< $XDG_DATA_HOME/applications, default ~/.local/share/applications

    /// The folders of the user running the program, from HOME,
    /// XDG_DATA_HOME and XDG_CONFIG_HOME/user-dirs.dirs.
    static ShellFolders ofUser();

    /// The folder of one location; empty for OtherFolder.
    std::string folderOf(ShortcutLocation location) const;
};

} // namespace quillarc

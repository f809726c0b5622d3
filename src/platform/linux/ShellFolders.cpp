#include "platform/ShellFolders.h"

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace quillarc {

namespace {

std::string homeFolder()
{
    if (const char *home = std::getenv("HOME"); home && home[0] == '/')
        return home;
    std::string home;
    char buffer[16384];
    struct passwd pwd {};
    struct passwd *found = nullptr;
    if (::getpwuid_r(::geteuid(), &pwd, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
        home = found->pw_dir;
    return home.empty() || home[0] != '/' ? std::string() : home;
}

std::string absoluteEnv(const char *name)
{
    const char *value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

/// XDG_DESKTOP_DIR from user-dirs.dirs, which holds lines such as
/// XDG_DESKTOP_DIR="$HOME/Schreibtisch"; only "$HOME/..." and absolute
/// paths are valid there. Read directly rather than by running
/// xdg-user-dir, which is the same lookup through a shell.
std::string desktopFromUserDirs(const std::string &home)
{
    std::string config = absoluteEnv("XDG_CONFIG_HOME");
    if (config.empty() && !home.empty())
        config = home + "/.config";
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line, found;
    const std::string key = "XDG_DESKTOP_DIR=\"";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"')
            continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        std::string unescaped;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size())
                ++i;
            unescaped += value[i];
        }
        if (unescaped.rfind("$HOME", 0) == 0 && !home.empty())
            found = home + unescaped.substr(5);
        else if (!unescaped.empty() && unescaped[0] == '/')
            found = unescaped;
    }
    while (found.size() > 1 && found.back() == '/')
        found.pop_back();
    // A desktop folder that is the home folder itself means "no desktop".
    return found == home ? std::string() : found;
}

} // namespace

ShellFolders ShellFolders::ofUser()
{
    ShellFolders folders;
    const std::string home = homeFolder();
    folders.desktop = desktopFromUserDirs(home);
    if (folders.desktop.empty() && !home.empty())
        folders.desktop = home + "/Desktop";
    std::string data = absoluteEnv("XDG_DATA_HOME");
    if (data.empty() && !home.empty())
        data = home + "/.local/share";
    if (!data.empty())
        folders.startMenu = data + "/applications";
    folders.quickLaunch = folders.startMenu;
    return folders;
}

std::string ShellFolders::folderOf(ShortcutLocation location) const
{
    switch (location) {
    case ShortcutLocation::Desktop:
        return desktop;
    case ShortcutLocation::QuickLaunch:
        return quickLaunch;
    case ShortcutLocation::SendTo:
        return sendTo;
    case ShortcutLocation::StartMenu:
        return startMenu;
    case ShortcutLocation::OtherFolder:
        break;
    }
    return {};
}

} // namespace quillarc

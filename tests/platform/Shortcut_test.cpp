#include "platform/Shortcut.h"

#include "support/ChildRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

namespace quillarc {

using test::readFile;
using test::writeFile;
namespace fs = std::filesystem;

TEST(Shortcut, LinkNameIsTheProgramNameWithDesktopExtension)
{
    const struct {
        const char *target, *name;
    } cases[] = {
        {"/opt/util/backup.exe", "backup.desktop"},
        {"/opt/quillarc/quillarc", "quillarc.desktop"},
        {"/opt/a.b.c", "a.b.desktop"},
        {"/opt/.hidden", ".hidden.desktop"},
        {"relative", "relative.desktop"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(shortcutLinkName(c.target), c.name) << c.target;
}

TEST(Shortcut, ExecArgumentFollowsDesktopEntryQuoting)
{
    const struct {
        const char *path, *value;
    } cases[] = {
        {"/opt/q/quillarc", "\"/opt/q/quillarc\""},
        {"/home/ann/My Programs/quillarc", "\"/home/ann/My Programs/quillarc\""},
        {"/a\"b", "\"/a\\\\\"b\""}, // \" quoting, then \ escaped for the file
        {"/a$b`c", "\"/a\\\\$b\\\\`c\""},
        {"/a\\b", "\"/a\\\\\\\\b\""}, // a backslash becomes four
        {"/100%/q", "\"/100%%/q\""},
        {"/a\nb", "\"/a\\nb\""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(desktopExecArgument(c.path), c.value) << c.path;
    EXPECT_EQ(desktopEntryText("/opt/q/quillarc"),
              "[Desktop Entry]\nType=Application\nName=Quillarc\nExec=\"/opt/q/quillarc\"\nIcon=quillarc\n"
              "Terminal=false\n");
}

class ShortcutFolders : public ::testing::Test {
protected:
    ShortcutFolders()
    {
        folders.desktop = dir / "Desktop";
        folders.startMenu = dir / "applications";
        folders.quickLaunch = folders.startMenu;
        fs::create_directories(folders.desktop);
    }
    /// Names in a folder, to see that no temporary or first-name file is left.
    std::set<std::string> names(const std::string &folder)
    {
        std::set<std::string> found;
        for (const auto &entry : fs::directory_iterator(folder))
            found.insert(entry.path().filename().string());
        return found;
    }

    test::TempFolder dir;
    ShellFolders folders;
};

TEST_F(ShortcutFolders, DesktopLauncherEndsAsQuillarcDesktop)
{
    EXPECT_TRUE(CreateShortcut("/opt/util/backup.exe", ShortcutLocation::Desktop, "", folders));
    EXPECT_EQ(names(folders.desktop), std::set<std::string> {"Quillarc.desktop"});
    EXPECT_EQ(readFile(dir / "Desktop/Quillarc.desktop"), desktopEntryText("/opt/util/backup.exe"));
    EXPECT_EQ(fs::status(dir / "Desktop/Quillarc.desktop").permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);

    // A second request changes nothing, whatever the first one points at.
    EXPECT_FALSE(CreateShortcut("/opt/other/prog", ShortcutLocation::Desktop, "", folders));
    EXPECT_EQ(readFile(dir / "Desktop/Quillarc.desktop"), desktopEntryText("/opt/util/backup.exe"));
}

TEST_F(ShortcutFolders, StartMenuSubFoldersAndQuickLaunch)
{
    // The applications folder is made when missing; its sub-folders are not.
    EXPECT_FALSE(CreateShortcut("/opt/q/quillarc", ShortcutLocation::StartMenu, "Programs/Tools", folders));
    EXPECT_TRUE(fs::is_directory(folders.startMenu));
    EXPECT_FALSE(fs::exists(dir / "applications/Programs"));

    fs::create_directories(dir / "applications/Programs/Tools");
    EXPECT_TRUE(CreateShortcut("/opt/q/quillarc", ShortcutLocation::StartMenu, "Programs/Tools", folders));
    EXPECT_EQ(names(dir / "applications/Programs/Tools"), std::set<std::string> {"Quillarc.desktop"});
    EXPECT_TRUE(CreateShortcut("/opt/q/quillarc", ShortcutLocation::QuickLaunch, "", folders));
    EXPECT_TRUE(fs::exists(dir / "applications/Quillarc.desktop"));
    EXPECT_FALSE(CreateShortcut("/opt/q/quillarc", ShortcutLocation::StartMenu, "", folders)); // already there
}

TEST_F(ShortcutFolders, OtherFolderAndLocationsWithoutAFolder)
{
    fs::create_directories(dir / "elsewhere");
    ShellFolders none; // no folders known at all
    EXPECT_TRUE(CreateShortcut("/opt/q/quillarc", ShortcutLocation::OtherFolder, dir / "elsewhere/", none));
    EXPECT_TRUE(fs::exists(dir / "elsewhere/Quillarc.desktop"));
    EXPECT_FALSE(CreateShortcut("/opt/q/quillarc", ShortcutLocation::SendTo, "", folders));
    EXPECT_FALSE(CreateShortcut("/opt/q/quillarc", ShortcutLocation::Desktop, "", none));
    EXPECT_FALSE(CreateShortcut("/opt/q/quillarc", ShortcutLocation::OtherFolder, "", folders));
    EXPECT_EQ(names(folders.desktop), std::set<std::string> {});
}

TEST_F(ShortcutFolders, FileBearingTheLinkNameIsReplacedThenMoved)
{
    writeFile(dir / "Desktop/backup.desktop", "old launcher of someone else");
    EXPECT_TRUE(CreateShortcut("/opt/util/backup.exe", ShortcutLocation::Desktop, "", folders));
    EXPECT_EQ(names(folders.desktop), std::set<std::string> {"Quillarc.desktop"});
    EXPECT_EQ(readFile(dir / "Desktop/Quillarc.desktop"), desktopEntryText("/opt/util/backup.exe"));
}

namespace {

/// Sets environment variables for one test and puts the old values back.
class Environment {
public:
    void set(const char *name, const std::optional<std::string> &value)
    {
        const char *old = std::getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~Environment()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace

TEST(ShellFolders, FollowTheXdgFoldersOfTheUser)
{
    test::TempFolder home;
    Environment env;
    env.set("HOME", home.folder());
    env.set("XDG_DATA_HOME", std::nullopt);
    env.set("XDG_CONFIG_HOME", std::nullopt);

    ShellFolders folders = ShellFolders::ofUser();
    EXPECT_EQ(folders.desktop, home / "Desktop");
    EXPECT_EQ(folders.startMenu, home / ".local/share/applications");
    EXPECT_EQ(folders.quickLaunch, folders.startMenu);
    EXPECT_EQ(folders.sendTo, "");
    EXPECT_EQ(GetStartMenuFolder(), home / ".local/share/applications");

    fs::create_directories(home / ".config");
    writeFile(home / ".config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
              "XDG_DESKTOP_DIR=\"$HOME/Schreib tisch\"\n");
    env.set("XDG_DATA_HOME", "/srv/data");
    EXPECT_EQ(ShellFolders::ofUser().desktop, home / "Schreib tisch");
    EXPECT_EQ(GetStartMenuFolder(), "/srv/data/applications");

    writeFile(home / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/\"\n"); // desktop switched off
    env.set("XDG_DATA_HOME", "relative/data");                                  // not absolute: ignored
    EXPECT_EQ(ShellFolders::ofUser().desktop, home / "Desktop");
    EXPECT_EQ(GetStartMenuFolder(), home / ".local/share/applications");

    fs::create_directories(home / "cfg");
    writeFile(home / "cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"/data/desk\"\n");
    env.set("XDG_CONFIG_HOME", home / "cfg");
    EXPECT_EQ(ShellFolders::ofUser().desktop, "/data/desk");
}

} // namespace quillarc

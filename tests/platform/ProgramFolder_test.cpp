#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>
#include <unistd.h>

namespace quillarc {
namespace {

ProgramFolder::Env environment(std::map<std::string, std::string> values)
{
    return [values = std::move(values)](const char *name) -> const char * {
        const auto found = values.find(name);
        return found == values.end() ? nullptr : found->second.c_str();
    };
}

ProgramFolder::Check answer(bool value)
{
    return [value](const std::string &) { return value; };
}

ProgramFolder::Check onlyThese(std::vector<std::string> paths)
{
    return [paths = std::move(paths)](const std::string &path) {
        return std::find(paths.begin(), paths.end(), path) != paths.end();
    };
}

TEST(ProgramFolder, ChoosesTheExecutableFolderOnlyWhenWritableAndNotInstalled)
{
    const auto env = environment({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/home/ann/.cfg"}});
    EXPECT_EQ(ProgramFolder::chooseProgramFolder("/opt/quillarc/", false, env, answer(true)), "/opt/quillarc/");
    EXPECT_EQ(ProgramFolder::chooseProgramFolder("/usr/bin/", false, env, answer(false)), "/home/ann/.cfg/quillarc/");
    // Root can write to /usr/bin; an installed program still keeps its
    // files in the configuration folder.
    EXPECT_EQ(ProgramFolder::chooseProgramFolder("/usr/bin/", true, environment({{"HOME", "/root"}}), answer(true)),
              "/root/.config/quillarc/");
    EXPECT_EQ(
        ProgramFolder::chooseProgramFolder("/usr/bin/", false, environment({{"HOME", "/home/ann"}}), answer(false)),
        "/home/ann/.config/quillarc/");
    // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
    EXPECT_EQ(ProgramFolder::chooseProgramFolder(
                  "/usr/bin/", false, environment({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}}), answer(false)),
              "/home/ann/.config/quillarc/");
    EXPECT_EQ(ProgramFolder::chooseProgramFolder("", false, environment({{"HOME", "/root/"}}), answer(true)),
              "/root/.config/quillarc/");
}

TEST(ProgramFolder, KnowsAnInstalledExecutable)
{
    const ProgramFolder::InstallPlaces places {"/usr/bin/", "/usr/share/quillarc/"};
    const struct {
        const char *exe;
        std::vector<std::string> existing;
        bool installed;
    } cases[] = {
        {"/usr/bin/", {}, true}, // where the build installs
        {"/usr/bin", {}, true},
        {"/opt/q/bin/", {"/opt/q/share/quillarc/"}, true}, // installed with another prefix
        {"/home/ann/.local/bin/", {"/home/ann/.local/share/quillarc/"}, true},
        {"/home/ann/src/quillarc/build/bin/", {}, false},              // a build tree
        {"/home/ann/quillarc/", {"/home/ann/share/quillarc/"}, false}, // an unpacked folder, not a bin folder
        {"/bin/", {"/share/quillarc/"}, true},
        {"", {}, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ProgramFolder::isInstalled(c.exe, places, onlyThese(c.existing)), c.installed) << c.exe;
    EXPECT_FALSE(ProgramFolder::isInstalled("/usr/bin/", {}, answer(false))) << "a build without install places";
}

TEST(ProgramFolder, DataFolder)
{
    const ProgramFolder::InstallPlaces places {"/usr/bin/", "/usr/share/quillarc/"};
    const ProgramFolder::InstallPlaces none;
    EXPECT_EQ(ProgramFolder::chooseDataFolder("/opt/q/", false, places, answer(true), answer(false)), "/opt/q/");
    EXPECT_EQ(
        ProgramFolder::chooseDataFolder("/opt/q/", false, places, answer(false), onlyThese({"/opt/q/readme.txt"})),
        "/opt/q/");
    EXPECT_EQ(ProgramFolder::chooseDataFolder("/usr/local/bin/", true, places, answer(true),
                                              onlyThese({"/usr/local/share/quillarc/", "/usr/local/bin/readme.txt"})),
              "/usr/local/share/quillarc/");
    // Installed as root: /usr/bin is writable, the documents are still the installed ones.
    EXPECT_EQ(ProgramFolder::chooseDataFolder("/usr/bin/", true, places, answer(true), answer(false)),
              "/usr/share/quillarc/");
    EXPECT_EQ(ProgramFolder::chooseDataFolder("/opt/q/bin/", true, {"/opt/q/bin/", "/opt/q/share/quillarc"},
                                              answer(false), answer(false)),
              "/opt/q/share/quillarc/");
    EXPECT_EQ(ProgramFolder::chooseDataFolder("/usr/bin/", false, none, answer(false), answer(false)),
              "/usr/share/quillarc/");
}

TEST(ProgramFolder, ThisProcess)
{
    const std::string exe = ProgramFolder::executableFolder();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.back(), '/');
    EXPECT_EQ(exe.front(), '/');
    const std::string folder = ProgramFolder::programFolder();
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(::access(folder.c_str(), W_OK), 0);
    // A test binary runs from the build tree: portable, never installed.
    EXPECT_FALSE(ProgramFolder::isInstalled(exe, ProgramFolder::installPlaces(),
                                            [](const std::string &path) { return ::access(path.c_str(), F_OK) == 0; }));
}

} // namespace
} // namespace quillarc

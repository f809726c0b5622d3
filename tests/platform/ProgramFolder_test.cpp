#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <map>
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

TEST(ProgramFolder, ChoosesTheExecutableFolderOnlyWhenWritable)
{
    const auto env = environment({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/home/ann/.cfg"}});
    EXPECT_EQ(ProgramFolder::chooseProgramFolder("/opt/quillarc/", env, answer(true)), "/opt/quillarc/");
    EXPECT_EQ(ProgramFolder::chooseProgramFolder("/usr/bin/", env, answer(false)), "/home/ann/.cfg/quillarc/");
    EXPECT_EQ(ProgramFolder::chooseProgramFolder("/usr/bin/", environment({{"HOME", "/home/ann"}}), answer(false)),
              "/home/ann/.config/quillarc/");
    // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
    EXPECT_EQ(ProgramFolder::chooseProgramFolder("/usr/bin/",
                                                 environment({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}}),
                                                 answer(false)),
              "/home/ann/.config/quillarc/");
    EXPECT_EQ(ProgramFolder::chooseProgramFolder("", environment({{"HOME", "/root/"}}), answer(true)),
              "/root/.config/quillarc/");
}

TEST(ProgramFolder, DataFolder)
{
    EXPECT_EQ(ProgramFolder::chooseDataFolder("/opt/q/", answer(true), answer(false)), "/opt/q/");
    const auto onlyReadme = [](const std::string &path) { return path == "/opt/q/readme.txt"; };
    EXPECT_EQ(ProgramFolder::chooseDataFolder("/opt/q/", answer(false), onlyReadme), "/opt/q/");
    const auto installed = [](const std::string &path) { return path == "/usr/local/bin/../share/quillarc/"; };
    EXPECT_EQ(ProgramFolder::chooseDataFolder("/usr/local/bin/", answer(false), installed),
              "/usr/local/bin/../share/quillarc/");
    EXPECT_EQ(ProgramFolder::chooseDataFolder("/usr/bin/", answer(false), answer(false)), "/usr/share/quillarc/");
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
}

} // namespace
} // namespace quillarc

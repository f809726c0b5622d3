#include <gtest/gtest.h>

#include "cli/support/RunnerFolders.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/wait.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

// quillarc-pass --auto on|off on the disk in the drive of the config, or
// the one given by --drive.
class AutoBackupOptionTest : public test::RunnerFolders {};

TEST_F(AutoBackupOptionTest, SwitchesTheDiskInTheDriveOnAndOff)
{
    labelMedium("AUTO1");
    listFile("AUTO1");
    const Run on = run("--auto on");
    EXPECT_EQ(on.status, 0) << on.output;
    EXPECT_EQ(read(program + "AUTO1.auto"), "T\r\n");
    const Run off = run("--auto=off --drive '" + medium + "'");
    EXPECT_EQ(off.status, 0) << off.output;
    EXPECT_EQ(read(program + "AUTO1.auto"), "F\r\n");
}

TEST_F(AutoBackupOptionTest, AnUnknownDiskOrNoDiskIsRefusedAndNothingIsWritten)
{
    labelMedium("NEWDISK");
    const Run unknown = run("--auto on");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.output.find("UNKNOWN DISK - ADD FILES OR FOLDERS"), std::string::npos) << unknown.output;
    EXPECT_FALSE(fs::exists(program + "NEWDISK.auto"));

    fs::remove(medium + ".quillarc-label");
    const Run noLabel = run("--auto on");
    EXPECT_EQ(noLabel.status, 2);
    EXPECT_NE(noLabel.output.find("DISK HAS NO VOLUME LABEL"), std::string::npos) << noLabel.output;

    const Run bad = run("--auto maybe");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.output.find("--auto takes on or off"), std::string::npos) << bad.output;
    const Run both = run("--auto on --watch");
    EXPECT_EQ(both.status, 2);
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(program))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string> {"config"});
}

} // namespace
} // namespace quillarc

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

// A disk is opted in or out by its label, without being in the drive; one
// whose list is gone can still be opted out.
TEST_F(AutoBackupOptionTest, ADiskIsSwitchedByItsLabelWithoutBeingInTheDrive)
{
    listFile("AWAY1");
    EXPECT_EQ(run("--auto on --label AWAY1").status, 0);
    EXPECT_EQ(read(program + "AWAY1.auto"), "T\r\n");
    fs::remove(program + "AWAY1.ini");
    const Run off = run("--auto off --label AWAY1");
    EXPECT_EQ(off.status, 0) << off.output;
    EXPECT_NE(off.output.find("AWAY1: no pass starts by itself"), std::string::npos) << off.output;
    EXPECT_EQ(read(program + "AWAY1.auto"), "F\r\n");

    EXPECT_EQ(run("--auto on --label NOLIST").status, 2);
    EXPECT_EQ(run("--auto off --label NOLIST").status, 0);
    EXPECT_FALSE(fs::exists(program + "NOLIST.auto")) << "nothing to undo, nothing written";
    const Run alone = run("--label AWAY1");
    EXPECT_EQ(alone.status, 2);
    EXPECT_NE(alone.output.find("--label goes with --auto"), std::string::npos) << alone.output;
}

} // namespace
} // namespace quillarc

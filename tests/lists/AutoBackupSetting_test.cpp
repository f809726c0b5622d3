#include "lists/AutoBackupSetting.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "base/FileError.h"
#include "support/TempFolder.h"

namespace quillarc {
namespace {

class AutoBackupSettingTest : public testing::Test {
protected:
    test::TempFolder program;
    AutoBackupSetting setting {program.path()};
};

TEST_F(AutoBackupSettingTest, IsKeptBesideTheListFileOfItsLabel)
{
    program.write("BACKUP1.ini", "");
    EXPECT_FALSE(setting.isOn("BACKUP1"));
    ASSERT_EQ(setting.set("BACKUP1", true), AutoBackupSetting::SetResult::Saved);
    EXPECT_EQ(program.read("BACKUP1.auto"), "T\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(program.file("BACKUP1.auto").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "which disks a person backs up is theirs alone";
    EXPECT_TRUE(setting.isOn("BACKUP1"));
    EXPECT_FALSE(setting.isOn("BACKUP2"));

    ASSERT_EQ(setting.set("BACKUP1", false), AutoBackupSetting::SetResult::Saved);
    EXPECT_EQ(program.read("BACKUP1.auto"), "F\r\n");
    EXPECT_FALSE(setting.isOn("BACKUP1"));
    EXPECT_EQ(program.entryCount(), 2u) << "no temporary file is left";
}

TEST_F(AutoBackupSettingTest, AnUnknownOrMissingLabelIsNeverWritten)
{
    EXPECT_EQ(setting.set("NEWDISK", true), AutoBackupSetting::SetResult::UnknownDisk);
    EXPECT_EQ(setting.set("", true), AutoBackupSetting::SetResult::NoLabel);
    EXPECT_EQ(program.entryCount(), 0u);
    EXPECT_FALSE(setting.isOn(""));
}

TEST_F(AutoBackupSettingTest, AHostileLabelStaysInsideTheProgramFolder)
{
    const struct {
        const char *label;
        const char *file;
    } cases[] = {{"../evil", "..%2Fevil.auto"}, {"..", "%2E%2E.auto"}, {"a%b", "a%25b.auto"}};
    for (const auto &c : cases) {
        program.write(std::string(c.file).replace(std::string(c.file).size() - 5, 5, ".ini"), "");
        EXPECT_EQ(setting.set(c.label, true), AutoBackupSetting::SetResult::Saved) << c.label;
        EXPECT_EQ(program.read(c.file), "T\r\n") << c.label;
        EXPECT_TRUE(setting.isOn(c.label)) << c.label;
    }
}

TEST_F(AutoBackupSettingTest, OnlyAnExactTReadsAsOn)
{
    program.write("D.ini", "");
    for (const char *text : {"", "t", "True", "1", " T", "F\r\n"}) {
        program.write("D.auto", text);
        EXPECT_FALSE(setting.isOn("D")) << '"' << text << '"';
    }
    program.write("D.auto", "T");
    EXPECT_TRUE(setting.isOn("D"));
}

TEST_F(AutoBackupSettingTest, AFailedSaveKeepsTheChoiceBefore)
{
    program.write("D.ini", "");
    ASSERT_EQ(setting.set("D", true), AutoBackupSetting::SetResult::Saved);
    // No file may grow: every write fails (as root too).
    struct rlimit before {};
    ::getrlimit(RLIMIT_FSIZE, &before);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit none = before;
    none.rlim_cur = 0;
    ::setrlimit(RLIMIT_FSIZE, &none);
    EXPECT_THROW(setting.set("D", false), FileError);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(setting.isOn("D"));
    EXPECT_EQ(program.entryCount(), 2u) << "no temporary file is left";
}

} // namespace
} // namespace quillarc

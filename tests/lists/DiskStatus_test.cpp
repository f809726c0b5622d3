#include "lists/DiskStatus.h"
#include "lists/DiskListFile.h"
#include "lists/DiskStatusRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class DiskStatusLinesTest : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quillarc-status-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = std::string(pattern) + "/";
    }
    void TearDown() override { fs::remove_all(folder); }
    void write(const std::string &name, const std::string &bytes) const
    {
        std::ofstream(folder + name, std::ios::binary) << bytes;
    }
    std::string folder;
};

TEST_F(DiskStatusLinesTest, EveryLabelComesBackFromItsListFileName)
{
    for (const std::string &label :
         std::vector<std::string> {"BACKUP1", "a/b", "50%", ".", "..", std::string("n\0l", 3), "%2F"})
        EXPECT_EQ(labelOfListFileName(diskListFileName(label)), label);
    EXPECT_EQ(labelOfListFileName("config"), "");
    EXPECT_EQ(labelOfListFileName(".ini"), "");
}

TEST_F(DiskStatusLinesTest, TheNewerOfTheLogAndTheRecordIsTheLastPassAndADamagedRecordIsNone)
{
    write("D1.ini", "");
    write("quillarc.log", "2026-01-02 10:00:00 +0000  label \"D1\"  complete  5 copied  0 missed\n"
                          "  missed /x  (cause)\n"
                          "2026-01-03 10:00:00 +0000  label \"D1\"  write error  2 copied  1 missed\n");
    const DiskStatusRecords records(folder);
    DiskStatusRecord record {0, "2026-01-01 09:00:00 +0000", "complete", 9, 0, 4'200'000};
    record.when = 1767258000; // 2026-01-01 09:00 UTC: older than the log's
    records.save("D1", record);
    EXPECT_EQ(records.load("D1"), record);
    EXPECT_EQ(diskStatusLines(folder, "D1", folder + "quillarc.log"),
              "  last pass: 2026-01-03 10:00:00 +0000, write error, 2 copied, 1 missed\n"
              "  backed up when mounted: no\n"
              "  free space when last seen: 4200000 bytes (4.2 MB) (2026-01-01 09:00:00 +0000)\n");

    record.when = 1767600000; // 2026-01-05: newer than the log's
    record.date = "2026-01-05 08:00:00 +0000";
    records.save("D1", record);
    EXPECT_EQ(diskStatusLines(folder, "D1", folder + "quillarc.log").substr(0, 70),
              "  last pass: 2026-01-05 08:00:00 +0000, complete, 9 copied, 0 missed\n ");

    write("D1.status", "when=yesterday\nending=complete\n");
    EXPECT_FALSE(records.load("D1").has_value());
    EXPECT_EQ(diskStatusLines(folder, "D1", folder + "quillarc.log").substr(0, 54),
              "  last pass: 2026-01-03 10:00:00 +0000, write error, 2");
}

} // namespace
} // namespace quillarc

#include <gtest/gtest.h>

#include "cli/support/RunnerFolders.h"
#include "engine/PassLog.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

// quillarc-pass --status: what is known of each disk without the disk.
class DiskStatusTest : public test::RunnerFolders {};

TEST_F(DiskStatusTest, EachKnownDiskIsToldFromThePassLogWithoutTheDisk)
{
    listFile("AWAY1");
    listFile("NEVER1");
    ASSERT_EQ(run("--auto on --label AWAY1").status, 0);
    PassOutcome older;
    older.volumeLabel = "AWAY1";
    older.end = PassEnd::Aborted;
    older.filesCopied = 1;
    PassOutcome last = older;
    last.end = PassEnd::Complete;
    last.filesCopied = 3;
    last.filesMissed = 1;
    last.missed = {{"/home/ann/locked.db", "in use by another program"}};
    PassOutcome other = older;
    other.volumeLabel = "OTHER";
    const auto then = std::chrono::system_clock::now() - std::chrono::hours(30);
    std::ofstream(program + PassLog::kFileName, std::ios::binary)
        << PassLog::entry(older, then) << PassLog::entry(last, then + std::chrono::hours(1))
        << PassLog::entry(other, then + std::chrono::hours(2));
    const std::string header = PassLog::entry(last, then + std::chrono::hours(1));
    const std::string date = header.substr(0, header.find("  label"));

    const Run status = run("--status");
    EXPECT_EQ(status.status, 0) << status.output;
    EXPECT_EQ(status.output, "AWAY1\n"
                             "  last pass: " +
                                 date +
                                 ", complete, 3 copied, 1 missed\n"
                                 "  backed up when mounted: yes\n"
                                 "  free space when last seen: not known\n"
                                 "  in the catalogue: nothing yet\n"
                                 "NEVER1\n"
                                 "  last pass: none yet\n"
                                 "  backed up when mounted: no\n"
                                 "  free space when last seen: not known\n"
                                 "  in the catalogue: nothing yet\n");
}

TEST_F(DiskStatusTest, APassKeepsAPrivateRecordOfItsEndingAndTheFreeSpaceLeft)
{
    labelMedium("REC1");
    write(source + "/a.txt", "alpha");
    listFile("REC1");
    const Run pass = run("");
    ASSERT_EQ(pass.status, 0) << pass.output;
    struct stat record {};
    ASSERT_EQ(::stat((program + "REC1.status").c_str(), &record), 0);
    EXPECT_EQ(record.st_mode & 07777, 0600u);

    fs::remove(program + PassLog::kFileName); // the record alone tells
    const Run status = run("--status");
    EXPECT_EQ(status.status, 0) << status.output;
    EXPECT_NE(status.output.find("REC1\n  last pass: "), std::string::npos) << status.output;
    EXPECT_NE(status.output.find(", complete, 1 copied, 0 missed\n  backed up when mounted: no\n"
                                 "  free space when last seen: "),
              std::string::npos)
        << status.output;
    EXPECT_EQ(status.output.find("not known"), std::string::npos) << status.output;
    // What the catalogue knows of the disk follows, from the pass's records.
    EXPECT_NE(status.output.find("\n  in the catalogue: 1 file, 5 bytes\n  last verified: never\n"
                                 "  mismatches found: none\n"),
              std::string::npos)
        << status.output;

    ASSERT_EQ(run("--verify").status, 0);
    const Run verified = run("--status");
    EXPECT_EQ(verified.output.find("last verified: never"), std::string::npos) << verified.output;
    EXPECT_NE(verified.output.find("\n  last verified: 20"), std::string::npos) << verified.output;
}

} // namespace
} // namespace quillarc

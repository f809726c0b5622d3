#include "catalogue/Catalogue.h"
#include "catalogue/ContentHasher.h"
#include "cli/support/RunnerFolders.h"
#include "platform/PassLock.h"
#include "support/PtyProcess.h"

#include <filesystem>
#include <sys/stat.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

// A disk labelled SET-A in the drive holding the copies of source/Docs, and
// the catalogue of the program folder that knows them, and one more file
// on a disk SET-B that is not in the drive.
class RestoreCommandTest : public test::RunnerFolders {
protected:
    RestoreCommandTest()
    {
        labelMedium("SET-A");
        Catalogue catalogue(program + "catalogue.sqlite");
        inHand = catalogue.disk({"SET-A", ""});
        elsewhere = catalogue.disk({"SET-B", ""});
        copy(catalogue, inHand, "Docs/a.txt", "alpha", 0640);
        copy(catalogue, inHand, "Docs/sub/b.txt", "beta", 0600);
    }

    void copy(Catalogue &catalogue, std::int64_t disk, const std::string &below, const std::string &bytes,
              std::uint32_t mode)
    {
        CopyRecord record;
        record.path = (source + "/" + below).substr(1);
        record.size = static_cast<std::int64_t>(bytes.size());
        record.hash = ContentHasher::of(bytes.data(), bytes.size());
        record.mode = S_IFREG | mode;
        record.modifiedNs = 1'600'000'000'000'000'000;
        record.passStamp = "2026-12-09T100000Z";
        catalogue.recordCopy(disk, record);
        if (disk == inHand) {
            write(medium + record.path, bytes);
            ::chmod((medium + record.path).c_str(), mode);
        }
    }

    std::int64_t inHand = 0, elsewhere = 0;
};

TEST_F(RestoreCommandTest, RestoresFromTheDiskInHandAndAgainFindsItInPlace)
{
    const auto first = run("--restore '" + source + "/Docs' --to '" + temp + "/out'");
    EXPECT_EQ(first.status, 0) << first.output;
    EXPECT_NE(first.output.find("from disk SET-A: 2 files, 9 bytes"), std::string::npos) << first.output;
    EXPECT_EQ(read(temp + "/out/Docs/a.txt"), "alpha");
    EXPECT_EQ(read(temp + "/out/Docs/sub/b.txt"), "beta");
    struct stat status {};
    ASSERT_EQ(::stat((temp + "/out/Docs/a.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640U);
    EXPECT_EQ(status.st_mtim.tv_sec, 1'600'000'000);

    write(temp + "/out/Docs/a.txt", "edited");
    const auto second = run("--restore '" + source + "/Docs' --to '" + temp + "/out'");
    EXPECT_EQ(second.status, 0) << second.output;
    EXPECT_NE(second.output.find("(1 already in place)"), std::string::npos) << second.output;
    EXPECT_NE(second.output.find("restored beside it as " + temp + "/out/Docs/a.txt.restored-"), std::string::npos)
        << second.output;
    EXPECT_EQ(read(temp + "/out/Docs/a.txt"), "edited");
}

TEST_F(RestoreCommandTest, WithoutATerminalNamesWhatNeedsAnotherDisk)
{
    {
        Catalogue catalogue(program + "catalogue.sqlite");
        copy(catalogue, elsewhere, "Docs/c.txt", "gamma", 0644);
    }
    const auto result = run("--restore '" + source + "/Docs' --to '" + temp + "/out'");
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_NE(result.output.find("needs disk SET-B: 1 file, 5 bytes not restored: " + temp + "/out/Docs/c.txt"),
              std::string::npos)
        << result.output;
    EXPECT_EQ(read(temp + "/out/Docs/a.txt"), "alpha");
    EXPECT_FALSE(fs::exists(temp + "/out/Docs/c.txt"));
}

TEST_F(RestoreCommandTest, OnATerminalAsksForTheOtherDiskByItsLabel)
{
    {
        Catalogue catalogue(program + "catalogue.sqlite");
        copy(catalogue, elsewhere, "Docs/c.txt", "gamma", 0644);
    }
    test::PtyProcess restore;
    ASSERT_TRUE(
        restore.start({binary(), "--program-folder", program, "--restore", source + "/Docs", "--to", temp + "/out"}));
    ASSERT_TRUE(restore.waitFor("Insert the backup disk \"SET-B\" (1 file, 5 bytes) and press Enter"))
        << restore.output();
    EXPECT_EQ(read(temp + "/out/Docs/a.txt"), "alpha");
    restore.type("\n"); // still SET-A: asked again
    ASSERT_TRUE(restore.waitFor("Insert the backup disk \"SET-B\"")) << restore.output();
    labelMedium("SET-B");
    write(medium + source.substr(1) + "/Docs/c.txt", "gamma");
    restore.type("\n");
    EXPECT_EQ(restore.finish(), 0) << restore.output();
    EXPECT_EQ(read(temp + "/out/Docs/c.txt"), "gamma");
}

TEST_F(RestoreCommandTest, ADryRunShowsEachFileAndWritesNothing)
{
    {
        Catalogue catalogue(program + "catalogue.sqlite");
        copy(catalogue, elsewhere, "Docs/big.bin", std::string(1536, 'x'), 0644);
    }
    const auto result =
        run("--restore '" + source + "/Docs/a.txt' '" + source + "/Docs/big.bin' '" + source + "/gone' --dry-run");
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_NE(result.output.find("Docs/a.txt -> " + source + "/Docs/a.txt"), std::string::npos) << result.output;
    // A size reads as in every other place the program says one.
    EXPECT_NE(result.output.find("from disk SET-B: 1 file, 1.5 KiB\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("no copy known: " + source + "/gone"), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(source + "/Docs"));
}

TEST_F(RestoreCommandTest, ReadsNothingFromADiskAPassHolds)
{
    PassLock pass;
    ASSERT_EQ(pass.take({}, medium), PassLock::Result::Taken);
    const auto result = run("--restore '" + source + "/Docs' --to '" + temp + "/out'");
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_NE(result.output.find(PassLock::busyMessage()), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(temp + "/out/Docs"));
}

TEST_F(RestoreCommandTest, RefusesWhatItCannotRead)
{
    struct Case {
        std::string arguments;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"--restore '" + source + "' --as-of yesterday", "--as-of takes a date"},
        {"--to /tmp", "--to, --as-of and --overwrite go with --restore"},
        {"--restore", "option --restore needs a path"},
        {"--restore /x --watch", "cannot be combined"},
        // A drive it could never find is refused, not waited for.
        {"--drive relative/disk --restore '" + source + "/Docs'",
         "the backup drive relative/disk/ given by --drive is not an absolute folder path"},
    };
    for (const Case &c : cases) {
        const auto result = run(c.arguments);
        EXPECT_EQ(result.status, 2) << c.arguments << "\n" << result.output;
        EXPECT_NE(result.output.find(c.says), std::string::npos) << c.arguments << "\n" << result.output;
    }
    write(program + "catalogue.sqlite", "not a catalogue at all, just some text that is long enough to matter");
    const auto damaged = run("--restore '" + source + "'");
    EXPECT_EQ(damaged.status, 2) << damaged.output;
    EXPECT_NE(damaged.output.find("catalogue.sqlite"), std::string::npos) << damaged.output;
}

} // namespace
} // namespace quillarc

#include "e2e/support/RealDiskTest.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace quillarc::e2e {
namespace {

namespace fs = std::filesystem;
using Kind = DiskImage::Kind;

constexpr int kNobody = 65534;

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// A FAT stick as a desktop user has it: mounted for them under their
// automount folder, the passes run as that user. The kernel's vfat reads
// the label from the device; a FUSE mount names no device, so a label file
// at the FAT root stands in.
class FatDisk : public RealDiskTest {
protected:
    std::string prepareFat(bool asUser = true)
    {
        passUser = asUser ? kNobody : -1;
        std::string why = prepareDisks(Kind::Fat);
        if (why.empty()) {
            disk = makeDisk(Kind::Fat, 32, "FATDISK");
            if (!disk)
                why = "no FAT image";
        }
        return why;
    }
    bool insertFat(bool withLabelFile = true)
    {
        if (!insert(*disk, "FATDISK"))
            return false;
        if (withLabelFile && disk->throughFuse())
            std::ofstream(disk->root() + ".quillarc-label") << "FATDISK\n";
        return true;
    }
    // The disk's entries in the copy of the source folder, by exact name.
    std::vector<std::string> namesOnDisk() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto &entry : fs::directory_iterator(copyOf(disk->root(), source), error))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool onDiskAs(const std::string &name) const
    {
        const auto names = namesOnDisk();
        return std::find(names.begin(), names.end(), name) != names.end();
    }
    // fusefat gives a renamed file the time of the rename; only the test of
    // times looks at them there.
    Keeps kept() const { return disk->throughFuse() ? Keeps::Bytes : Keeps::BytesAndTwoSecondTimes; }
    void expectNoPartFiles() const
    {
        for (const std::string &name : everythingBelow(disk->root()))
            // Temporary copies live only in the disk's own folder, and a
            // completed pass leaves none there either.
            EXPECT_TRUE(name.find(".quillarc-part-") == std::string::npos && name.rfind(".quillarc/part/", 0) != 0)
                << name;
    }

    std::unique_ptr<DiskImage> disk;
};

TEST_F(FatDisk, TheLabelComesFromTheDeviceOrTheLabelFile)
{
    if (const std::string why = prepareFat(); !why.empty())
        GTEST_SKIP() << why;
    writeSource({"a.txt", "a"});
    writeList("FATDISK", {source});
    giveToPassUser();
    ASSERT_TRUE(insertFat());
    const Ended dry = runPass({"--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.out << dry.err;
    EXPECT_NE(dry.out.find(source + ": 1 files, 1 bytes"), std::string::npos) << dry.out;

    if (disk->throughFuse()) {
        fs::remove(disk->root() + ".quillarc-label");
        const Ended unlabelled = runPass({"--dry-run"});
        EXPECT_EQ(unlabelled.status, 2) << unlabelled.out << unlabelled.err;
        EXPECT_NE(unlabelled.err.find("DISK HAS NO VOLUME LABEL"), std::string::npos) << unlabelled.err;
    }
}

// ':' and '?' are refused by FAT, and a trailing dot is dropped by the
// kernel's vfat. Each such file is either stored under its very name or
// named as missed; the files around it are copied all the same.
TEST_F(FatDisk, NamesFatRefusesAreReportedAndThePassGoesOn)
{
    if (const std::string why = prepareFat(); !why.empty())
        GTEST_SKIP() << why;
    const std::vector<std::string> refused {"a:b.txt", "what?.txt"};
    const std::vector<std::string> names {"a:b.txt", "what?.txt", "trailing.", "ok1.txt", "zz-ok2.txt", "0-ok3"};
    std::vector<std::string> paths;
    for (const std::string &name : names)
        paths.push_back(writeSource({name, "bytes of " + name}));
    writeList("FATDISK", {source});
    giveToPassUser();
    ASSERT_TRUE(insertFat());

    const Ended pass = runPass();
    EXPECT_EQ(pass.status, 1) << pass.out << pass.err;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const bool mustBeRefused = std::find(refused.begin(), refused.end(), names[i]) != refused.end();
        if (onDiskAs(names[i])) {
            EXPECT_FALSE(mustBeRefused);
            expectSameFile(paths[i], copyOf(disk->root(), paths[i]), kept());
        } else {
            expectReported(pass, paths[i]);
        }
        if (names[i].find("ok") != std::string::npos) {
            EXPECT_TRUE(onDiskAs(names[i])) << "the pass went on past the refused names";
        }
    }
    expectNoPartFiles();
    EXPECT_NE(log().find("label \"FATDISK\""), std::string::npos) << log();
}

// FAT does not tell "Readme.txt" from "README.TXT": one copy may stand
// there, holding its own file's bytes; the other file is reported.
TEST_F(FatDisk, NamesThatDifferOnlyInCaseNeverReplaceEachOther)
{
    if (const std::string why = prepareFat(); !why.empty())
        GTEST_SKIP() << why;
    const std::string first = writeSource({"Readme.txt", "the first file"});
    const std::string second = writeSource({"README.TXT", "the second, longer file"});
    writeSource({"other.txt", "other"});
    writeList("FATDISK", {source});
    giveToPassUser();
    ASSERT_TRUE(insertFat());

    const Ended pass = runPass();
    const auto names = namesOnDisk();
    const auto twins =
        std::count_if(names.begin(), names.end(), [](const std::string &n) { return lower(n) == "readme.txt"; });
    ASSERT_EQ(twins, 1) << "one entry for both names";
    const bool firstStands = onDiskAs("Readme.txt");
    const std::string kept = firstStands ? first : second;
    const std::string lost = firstStands ? second : first;
    EXPECT_EQ(read(copyOf(disk->root(), kept)), read(kept)) << "the copy holds its own file's bytes";
    EXPECT_TRUE(onDiskAs("other.txt"));
    expectNoPartFiles();
    EXPECT_EQ(pass.status, 1) << pass.out << pass.err;
    expectReported(pass, lost);
}

// FAT keeps times to two seconds: copies carry the source's time rounded
// down, and the next pass copies nothing that did not change since.
TEST_F(FatDisk, TwoSecondTimesCopyNothingTwice)
{
    if (const std::string why = prepareFat(); !why.empty())
        GTEST_SKIP() << why;
    const std::vector<std::string> files {writeSource({"odd.txt", "odd"}),
                                          writeSource({"sub/even.bin", std::string(70000, 'e')}),
                                          writeSource({"sub/private", "p", 0600})};
    writeList("FATDISK", {source});
    giveToPassUser();
    ASSERT_TRUE(insertFat());
    std::this_thread::sleep_for(std::chrono::milliseconds(2200)); // older than the cut-off the pass sets

    const Ended first = runPass();
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_EQ(first.out, "Complete...  3 Files Found and Backed Up\nFolder Scan Complete...\n");
    std::string timesLost;
    for (const std::string &file : files) {
        expectSameFile(file, copyOf(disk->root(), file), Keeps::Bytes);
        const auto wanted = fs::last_write_time(file);
        const auto got = fs::last_write_time(copyOf(disk->root(), file));
        if (got > wanted || wanted - got >= std::chrono::seconds(2))
            timesLost += " " + file;
    }

    const Ended second = runPass();
    EXPECT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_EQ(second.out, "Complete...  0 Files Found and Backed Up\nFolder Scan Complete...\n") << second.err;

    // A changed file is copied again, and only that one.
    std::ofstream(files[0], std::ios::app) << " changed";
    const Ended third = runPass();
    EXPECT_EQ(third.out, "Complete...  1 Files Found and Backed Up\nFolder Scan Complete...\n") << third.err;
    EXPECT_EQ(read(copyOf(disk->root(), files[0])), "odd changed");

    EXPECT_EQ(timesLost, "") << "copies do not carry their source's time to FAT's two seconds";
}

// A 5 GiB file (sparse: it costs no room) can never go onto FAT. The pass
// ends or passes it over cleanly: no part of it left on the disk, every
// copy there whole, the exit status saying so.
TEST_F(FatDisk, AFileTooBigForFatLeavesNothingBehind)
{
    if (const std::string why = prepareFat(); !why.empty())
        GTEST_SKIP() << why;
    std::vector<std::string> small;
    for (const char *name : {"a.txt", "m.txt", "z.txt"})
        small.push_back(writeSource({name, std::string(20000, name[0])}));
    const std::string big = writeSource({"huge.img", ""});
    ASSERT_EQ(::truncate(big.c_str(), std::int64_t {5} << 30), 0);
    writeList("FATDISK", {source});
    giveToPassUser();
    ASSERT_TRUE(insertFat());
    struct statvfs before {};
    ASSERT_EQ(::statvfs(disk->folder().c_str(), &before), 0);

    const Ended pass = runPass({"--yes"});
    EXPECT_EQ(pass.status, 1) << pass.out << pass.err;
    EXPECT_FALSE(onDiskAs("huge.img"));
    expectNoPartFiles();
    for (const std::string &file : small) {
        if (fs::exists(copyOf(disk->root(), file)))
            expectSameFile(file, copyOf(disk->root(), file), kept());
    }
    struct statvfs after {};
    ASSERT_EQ(::statvfs(disk->folder().c_str(), &after), 0);
    EXPECT_LT((before.f_bfree - after.f_bfree) * before.f_frsize, 1u << 20) << "room taken by a partial copy";
    EXPECT_NE(log().find("label \"FATDISK\""), std::string::npos) << log();

    expectReported(pass, big);
    for (const std::string &file : small)
        EXPECT_TRUE(fs::exists(copyOf(disk->root(), file))) << file;
}

// Root backing up other users' files onto FAT: the disk cannot keep owners
// or permission bits, and the copies are made without them, as cp -a does.
TEST_F(FatDisk, AsRootFilesAreCopiedThoughFatKeepsNoOwners)
{
    if (const std::string why = prepareFat(false); !why.empty())
        GTEST_SKIP() << why;
    const std::string owned = writeSource({"ann/notes.txt", "ann's notes"});
    ASSERT_EQ(::chown(owned.c_str(), 1000, 1000), 0);
    const std::string open = writeSource({"shared.txt", "for all", 0666});
    writeList("FATDISK", {source});
    ASSERT_TRUE(insertFat());

    const Ended pass = runPass();
    expectNoPartFiles();
    EXPECT_EQ(pass.status, 0) << pass.out << pass.err;
    expectSameFile(owned, copyOf(disk->root(), owned), kept());
    expectSameFile(open, copyOf(disk->root(), open), kept());
}

} // namespace
} // namespace quillarc::e2e

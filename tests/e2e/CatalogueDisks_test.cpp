#include "support/PtyProcess.h"
#include "catalogue/Catalogue.h"
#include "catalogue/DiskLayout.h"
#include "e2e/support/RealDiskTest.h"
#include "e2e/support/Shell.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>
#include <sys/stat.h>

namespace quillarc::e2e {
namespace {

namespace fs = std::filesystem;
using Kind = DiskImage::Kind;

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char &byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

class CatalogueDisks : public RealDiskTest {
protected:
    // Backs `folder` up onto a new disk `label` and catalogues it.
    std::unique_ptr<DiskImage> backUp(const std::string &label, const std::string &folder)
    {
        auto disk = makeDisk(Kind::Ext4, 16, label);
        if (!disk || !insert(*disk, label))
            return nullptr;
        writeList(label, {folder});
        const Ended pass = runPass();
        EXPECT_EQ(pass.status, 0) << pass.out << pass.err;
        const Ended catalogued = runPass({"--catalogue"});
        EXPECT_EQ(catalogued.status, 0) << catalogued.out << catalogued.err;
        return disk;
    }

    // Each disk's manifest checks its copies with the stock xxh128sum, as it
    // would on any computer.
    static void expectManifestsCheck(std::initializer_list<const DiskImage *> disks)
    {
        for (const DiskImage *disk : disks) {
            std::string check;
            EXPECT_TRUE(sh("cd " + quoted(disk->folder()) + " && xxh128sum -c .quillarc/manifest.xxh128", &check))
                << check;
            EXPECT_EQ(check.find("FAILED"), std::string::npos) << check;
        }
    }

    // Flips one byte of a copy on the device itself, behind the file
    // system's back, at the place the file's data lies.
    static void flipByteOnDevice(const DiskImage &disk, const std::string &copy, int at)
    {
        std::string device;
        ASSERT_TRUE(sh("findmnt -n -o SOURCE " + quoted(disk.folder()), &device));
        device = device.substr(0, device.find('\n'));
        std::string map;
        ASSERT_TRUE(sh("filefrag -v -b1 " + quoted(copy), &map)) << map;
        // "   0:        0..  65535:    1200128..   1265663:  65536: ..."
        const std::size_t line = map.find("   0:");
        ASSERT_NE(line, std::string::npos) << map;
        std::istringstream fields(map.substr(map.find(':', map.find("..", line)) + 1));
        long long physical = -1;
        fields >> physical;
        ASSERT_GT(physical, 0) << map;
        const std::string offset = std::to_string(physical + at);
        ASSERT_TRUE(sh("b=$(dd if=" + device + " bs=1 skip=" + offset + " count=1 status=none | od -An -tu1); " +
                       "printf \"$(printf '\\\\%03o' $(( (b + 1) % 256 )))\" | dd of=" + device + " bs=1 seek=" +
                       offset + " count=1 conv=notrunc,fsync status=none && blockdev --flushbufs " + device));
    }
};

// Every disk unplugged, --find still names the disk each file is on; on any
// computer, each disk's manifest checks its copies.
TEST_F(CatalogueDisks, FindNamesTheRightDiskWithEveryDiskUnplugged)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    writeSource({"one/report 2025.ods", "first report"});
    writeSource({"one/back\\slash.txt", "a name with a backslash"});
    writeSource({"two/deep/Report.ODS", "second report"});
    writeSource({"two/photo.jpg", randomBytes(200000, 1)});
    const auto first = backUp("BACKUP1", source + "/one");
    const auto second = backUp("BACKUP2", source + "/two");
    ASSERT_TRUE(first && second);
    expectManifestsCheck({first.get(), second.get()});
    ASSERT_TRUE(first->unmount());
    ASSERT_TRUE(second->unmount());

    const Ended found = runPass({"--find", "report"});
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_NE(found.out.find(source + "/one/report 2025.ods\n  newest copy on BACKUP1: "), std::string::npos)
        << found.out;
    EXPECT_NE(found.out.find(source + "/two/deep/Report.ODS\n  newest copy on BACKUP2: "), std::string::npos)
        << found.out;
    EXPECT_NE(found.out.find("2 files found."), std::string::npos) << found.out;
    const Ended folder = runPass({"--find", source + "/two", "--path"});
    EXPECT_NE(folder.out.find(source + "/two/photo.jpg\n  newest copy on BACKUP2: "), std::string::npos) << folder.out;
    EXPECT_NE(runPass({"--find", "*.pdf"}).status, 0);
}

// One pass spanning two disks: with both unplugged, --find names for every
// file the disk that holds it, and no other; each disk's manifest checks
// its own copies; the catalogue knows each disk by its file system's UUID.
TEST_F(CatalogueDisks, ASpanningPassRecordsEachFileOnTheDiskThatHoldsIt)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const auto first = makeDisk(Kind::Ext4, 8, "BACKUP1");
    const auto second = makeDisk(Kind::Ext4, 16, "BACKUP2");
    ASSERT_TRUE(first && second);
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i)
        files.push_back(writeSource({"span/piece_" + std::string(1, static_cast<char>('a' + i)) + ".bin",
                                     randomBytes(768 * 1024, 10 + static_cast<unsigned>(i))}));
    writeList("BACKUP1", {source});

    ASSERT_TRUE(insert(*first, "BACKUP1"));
    test::PtyProcess pass;
    ASSERT_TRUE(pass.start(command()));
    ASSERT_TRUE(pass.waitFor("ONE FORMATTED DISK READY? (y/N) ")) << pass.output();
    pass.type("y\n");
    ASSERT_TRUE(pass.waitFor("Current Volume  BACKUP1\n")) << pass.output();
    ASSERT_TRUE(pass.waitFor("(CANCEL): ")) << pass.output();
    ASSERT_TRUE(first->unmount()) << first->error();
    ASSERT_TRUE(insert(*second, "BACKUP2"));
    pass.type("\n");
    ASSERT_TRUE(pass.waitFor("Current Volume  BACKUP2\n")) << pass.output();
    ASSERT_EQ(pass.finish(std::chrono::seconds(30)), 0) << pass.output();

    ASSERT_TRUE(first->mount(temp + "/check1", true)) << first->error();
    std::vector<std::string> holder;
    for (const std::string &file : files) {
        const bool onFirst = fs::exists(copyOf(first->root(), file));
        ASSERT_NE(onFirst, fs::exists(copyOf(second->root(), file))) << file;
        holder.push_back(onFirst ? "BACKUP1" : "BACKUP2");
    }
    ASSERT_NE(std::count(holder.begin(), holder.end(), "BACKUP1"), 0);
    ASSERT_NE(std::count(holder.begin(), holder.end(), "BACKUP2"), 0);
    expectManifestsCheck({first.get(), second.get()});
    ASSERT_TRUE(first->unmount());
    ASSERT_TRUE(second->unmount());

    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = fs::path(files[i]).filename().string();
        const Ended found = runPass({"--find", name});
        EXPECT_EQ(found.status, 0) << found.err;
        EXPECT_NE(found.out.find(files[i] + "\n  newest copy on " + holder[i] + ": "), std::string::npos) << found.out;
        EXPECT_EQ(found.out.find(holder[i] == "BACKUP1" ? "BACKUP2" : "BACKUP1"), std::string::npos) << found.out;
        EXPECT_NE(found.out.find("1 file found."), std::string::npos) << found.out;
    }
    const Catalogue catalogue(program + std::string(disklayout::kProgramCatalogue));
    std::vector<std::string> uuids;
    for (const DiskSummary &disk : catalogue.disks()) {
        EXPECT_FALSE(disk.uuid.empty()) << disk.label;
        uuids.push_back(disk.uuid);
    }
    ASSERT_EQ(uuids.size(), 2u);
    EXPECT_NE(uuids[0], uuids[1]);
}

// A byte flipped on the disk, a source changed with its time put back, and
// a source gone: each is told apart, and nothing is deleted.
TEST_F(CatalogueDisks, VerifyFindsAFlippedByteOnTheDiskAndTellsWhatWentBad)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const std::string flipped = writeSource({"data/flipped.bin", randomBytes(65536, 2)});
    const std::string changed = writeSource({"data/changed.txt", "what the backup holds"});
    const std::string gone = writeSource({"data/gone.bin", randomBytes(65536, 3)});
    writeSource({"data/fine.txt", "nothing happens to this one"});
    const auto disk = backUp("BACKUP1", source + "/data");
    ASSERT_TRUE(disk);
    const Ended good = runPass({"--verify"});
    EXPECT_EQ(good.status, 0) << good.out << good.err;
    EXPECT_NE(good.out.find("4 copies read"), std::string::npos) << good.out;

    flipByteOnDevice(*disk, copyOf(disk->root(), flipped), 1000);
    flipByteOnDevice(*disk, copyOf(disk->root(), gone), 7);
    struct stat before {};
    ASSERT_EQ(::stat(changed.c_str(), &before), 0);
    ASSERT_TRUE(sh("printf 'what the backup holdS' > " + quoted(changed) + " && touch -m -d @" +
                   std::to_string(before.st_mtim.tv_sec) + "." + std::to_string(before.st_mtim.tv_nsec) + " " +
                   quoted(changed)));
    fs::remove(gone);

    const Ended bad = runPass({"--verify"});
    EXPECT_EQ(bad.status, 1) << bad.out << bad.err;
    EXPECT_NE(bad.err.find("BAD COPY  " + flipped +
                           ": the copy on BACKUP1 differs from what was backed up; the "
                           "source still holds it."),
              std::string::npos)
        << bad.err;
    EXPECT_NE(bad.err.find("SOURCE WENT BAD  " + changed), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("BAD COPY, SOURCE GONE  " + gone), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("3 found wrong"), std::string::npos) << bad.err;
    EXPECT_NE(log().find("BAD COPY  " + flipped), std::string::npos);

    // Nothing deleted: the bad copies lie aside, the kept backup where it was.
    EXPECT_FALSE(fs::exists(copyOf(disk->root(), flipped)));
    EXPECT_TRUE(fs::exists(copyOf(disk->root(), changed)));
    int aside = 0;
    for (const std::string &name : everythingBelow(disk->root()))
        aside += name.rfind(".quillarc/bad/", 0) == 0 && fs::is_regular_file(disk->root() + name) ? 1 : 0;
    EXPECT_EQ(aside, 2);
    const Ended find = runPass({"--find", "flipped.bin"});
    EXPECT_NE(find.status, 0) << "the bad copy is no longer taken for a copy:\n" << find.out;
}

} // namespace
} // namespace quillarc::e2e

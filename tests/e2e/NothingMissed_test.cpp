// On a real ext4 disk: a folder moved into the tree, an item that is not
// there, and a new version that only nearly fits in place of the older one.

#include "e2e/support/RealDiskTest.h"

#include <filesystem>
#include <fstream>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace quillarc::e2e {
namespace {

namespace fs = std::filesystem;
using Kind = DiskImage::Kind;

class NothingMissed : public RealDiskTest {};

TEST_F(NothingMissed, AFolderMovedIntoTheTreeIsCopiedAtAnyDepth)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const auto disk = makeDisk(Kind::Ext4, 16, "MOVE1");
    ASSERT_TRUE(disk);
    writeSource({"a/b/c/kept.txt", "kept"});
    // Made before the first pass, so their own times lie before its cut-off.
    const std::string outside = temp + "/Downloads/project";
    fs::create_directories(outside + "/src/deep");
    std::ofstream(outside + "/src/deep/main.c") << "int main() {}";
    std::ofstream(outside + "/README") << "readme";
    writeList("MOVE1", {source});
    std::this_thread::sleep_for(std::chrono::milliseconds(2200));
    ASSERT_TRUE(insert(*disk, "MOVE1"));
    const Ended first = runPass();
    ASSERT_EQ(first.status, 0) << first.out << first.err;

    fs::rename(outside, source + "/a/b/c/project");
    fs::rename(source + "/a/b", source + "/a/renamed");
    const Ended second = runPass();
    EXPECT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_EQ(second.out, "Complete...  3 Files Found and Backed Up\nFolder Scan Complete...\n") << second.err;
    EXPECT_EQ(read(copyOf(disk->root(), source + "/a/renamed/c/project/src/deep/main.c")), "int main() {}");
    EXPECT_EQ(read(copyOf(disk->root(), source + "/a/renamed/c/project/README")), "readme");
    EXPECT_EQ(read(copyOf(disk->root(), source + "/a/renamed/c/kept.txt")), "kept");
    const Ended third = runPass();
    EXPECT_EQ(third.out, "Complete...  0 Files Found and Backed Up\nFolder Scan Complete...\n") << third.err;
}

TEST_F(NothingMissed, AnItemThatIsNotThereFailsThePassAndStays)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const auto disk = makeDisk(Kind::Ext4, 16, "GONE1");
    ASSERT_TRUE(disk);
    writeSource({"here.txt", "here"});
    const std::string share = temp + "/share-not-mounted";
    writeList("GONE1", {share, source});
    ASSERT_TRUE(insert(*disk, "GONE1"));
    const Ended pass = runPass();

    EXPECT_EQ(pass.status, 1) << pass.out << pass.err;
    expectReported(pass, share);
    EXPECT_EQ(read(copyOf(disk->root(), source + "/here.txt")), "here");
    const std::string list = read(program + "GONE1.ini");
    EXPECT_EQ(list.substr(0, share.size() + 22), share + "\r\n0/0/0 0:00\r\n0\r\nYes\r\n") << list;
}

// On a nearly full disk a new version never takes the place of its older
// copy by removing it first: room comes from the versions of earlier passes,
// oldest first, and the replaced copy is kept as a version itself. Without
// such room the older copy stays whole and the next disk is asked for,
// which nobody gives here.
TEST_F(NothingMissed, ANewVersionThatOnlyNearlyFitsLeavesTheOlderCopy)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    struct Case {
        const char *name;
        std::size_t olderVersion; ///< bytes of a version an earlier pass kept; 0: none
        bool replaced;
    };
    for (const Case c : {Case {"no versions", 0, false}, Case {"an older version gives its room", 3 << 20, true}}) {
        SCOPED_TRACE(c.name);
        const auto disk = makeDisk(Kind::Ext4, 16, "NEAR1");
        ASSERT_TRUE(disk);
        const std::string older(2 << 20, 'o');
        const std::string file = writeSource({"data/f.bin", older});
        writeList("NEAR1", {source + "/data"});
        ASSERT_TRUE(insert(*disk, "NEAR1"));
        ASSERT_EQ(runPass().status, 0);
        const std::string oldVersion = disk->root() + ".quillarc/versions/2020-01-01T000000Z/old/v.bin";
        if (c.olderVersion > 0) {
            fs::create_directories(fs::path(oldVersion).parent_path());
            std::ofstream(oldVersion, std::ios::binary) << std::string(c.olderVersion, 'v');
        }

        // Leave about 1 MiB free on the disk; the new version needs 1.5 MiB
        // more than its older copy.
        struct statvfs vfs {};
        ASSERT_EQ(::statvfs(disk->root().c_str(), &vfs), 0);
        const auto filler = static_cast<std::int64_t>(vfs.f_bavail * vfs.f_frsize) - (1 << 20);
        {
            std::ofstream out(disk->root() + "filler", std::ios::binary);
            out << std::string(static_cast<std::size_t>(filler), 'f');
        }
        ::sync();
        ASSERT_EQ(::statvfs(disk->root().c_str(), &vfs), 0);
        const auto free = static_cast<std::int64_t>(vfs.f_bavail * vfs.f_frsize);
        const std::string newer(static_cast<std::size_t>((2 << 20) + free - (512 << 10)), 'n');
        std::ofstream(file, std::ios::binary | std::ios::trunc) << newer;

        const Ended pass = runPass({"--yes"});
        if (c.replaced) {
            EXPECT_EQ(pass.status, 0) << pass.out << pass.err;
            EXPECT_TRUE(read(copyOf(disk->root(), file)) == newer);
            EXPECT_FALSE(fs::exists(oldVersion)) << "the oldest version gave its room";
            int kept = 0;
            for (const auto &stamp : fs::directory_iterator(disk->root() + ".quillarc/versions"))
                kept += read(stamp.path().string() + file) == older ? 1 : 0;
            EXPECT_EQ(kept, 1) << "the replaced copy is a version";
        } else {
            EXPECT_EQ(pass.status, 1) << pass.out << pass.err;
            EXPECT_NE(pass.err.find("Disk Full"), std::string::npos) << pass.err;
            EXPECT_TRUE(read(copyOf(disk->root(), file)) == older) << "the older copy stays whole";
        }
        for (const std::string &name : everythingBelow(disk->root()))
            // Temporary copies live only in the disk's own folder, and a
            // completed pass leaves none there either.
            EXPECT_TRUE(name.find(".quillarc-part-") == std::string::npos && name.rfind(".quillarc/part/", 0) != 0)
                << name;
        ASSERT_TRUE(disk->unmount());
        fs::remove(program + "NEAR1.ini");
        fs::remove(program + "NEAR1.folders");
        fs::remove(program + "catalogue.sqlite");
    }
}

} // namespace
} // namespace quillarc::e2e

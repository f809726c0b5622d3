#include "support/PtyProcess.h"
#include "e2e/support/RealDiskTest.h"

#include <filesystem>
#include <thread>
#include <unistd.h>

namespace quillarc::e2e {
namespace {

namespace fs = std::filesystem;
using Kind = DiskImage::Kind;

const std::string kWaitForDisk = "Put in a new formatted disk with a volume label, then press Enter (READY),\n"
                                 "or type c and Enter (CANCEL): ";

class SpanningPass : public RealDiskTest {};

// A folder bigger than the first disk: the pass fills BACKUP1, waits for a
// new disk while the user takes BACKUP1 out and puts BACKUP2 in, and ends
// on BACKUP2. Every file lands whole on exactly one of the two, with its
// time, bits and owner; the next pass finds nothing left to copy.
TEST_F(SpanningPass, FillsTheFirstDiskAndCarriesOnOntoTheSecond)
{
    if (const std::string why = prepareDisks(Kind::Ext4); !why.empty())
        GTEST_SKIP() << why;
    const auto first = makeDisk(Kind::Ext4, 8, "BACKUP1");
    const auto second = makeDisk(Kind::Ext4, 16, "BACKUP2");
    ASSERT_TRUE(first && second);

    const mode_t modes[] = {0640, 0600, 0755, 0444, 04755, 0664};
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i) {
        const std::string folder = i < 6 ? "docs/" : "private/deep/";
        std::string bytes(768 * 1024, static_cast<char>('a' + i));
        bytes.replace(i * 1000, 5, "mark" + std::to_string(i % 10));
        files.push_back(writeSource({folder + "file" + std::to_string(i), bytes, modes[i % 6]}));
    }
    ASSERT_EQ(::chown(files[3].c_str(), 1234, 1234), 0);
    fs::permissions(source + "/private", fs::perms(0700));
    fs::permissions(source + "/docs", fs::perms(0750));
    writeList("BACKUP1", {source});
    // Files are sure to be older than the cut-off the pass sets (its start
    // less two seconds), so the second pass has nothing to copy.
    std::this_thread::sleep_for(std::chrono::milliseconds(2200));

    ASSERT_TRUE(insert(*first, "BACKUP1"));
    test::PtyProcess pass;
    ASSERT_TRUE(pass.start(command()));
    ASSERT_TRUE(pass.waitFor("ONE FORMATTED DISK READY? (y/N) ")) << pass.output();
    pass.type("y\n");
    ASSERT_TRUE(pass.waitFor("Current Volume  BACKUP1\n" + kWaitForDisk)) << pass.output();

    // Taken out the ordinary way: the waiting pass holds nothing open on it.
    ASSERT_TRUE(first->unmount()) << first->error();
    ASSERT_TRUE(insert(*second, "BACKUP2"));
    pass.type("\n");
    ASSERT_TRUE(pass.waitFor("Current Volume  BACKUP2\n")) << pass.output();
    EXPECT_EQ(pass.finish(std::chrono::seconds(20)), 0) << pass.output();
    EXPECT_TRUE(pass.waitFor("Complete...  12 Files Found and Backed Up\nFolder Scan Complete...\n", {}))
        << pass.output();

    ASSERT_TRUE(first->mount(temp + "/check1", true)) << first->error();
    int onFirst = 0;
    for (const std::string &file : files) {
        const bool inFirst = fs::exists(copyOf(first->root(), file));
        const bool inSecond = fs::exists(copyOf(second->root(), file));
        EXPECT_NE(inFirst, inSecond) << file << " must be on exactly one disk";
        expectSameFile(file, copyOf(inFirst ? first->root() : second->root(), file), Keeps::Everything);
        onFirst += inFirst ? 1 : 0;
    }
    EXPECT_GT(onFirst, 0);
    EXPECT_LT(onFirst, 12);
    for (const DiskImage *disk : {first.get(), second.get()}) {
        for (const std::string &name : everythingBelow(disk->root()))
            // Temporary copies live only in the disk's own folder, and a
            // completed pass leaves none there either.
            EXPECT_TRUE(name.find(".quillarc-part-") == std::string::npos && name.rfind(".quillarc/part/", 0) != 0)
                << name;
        for (const auto &[folder, bits] : {std::pair {"/private", 0700u}, std::pair {"/docs", 0750u}}) {
            struct stat copy {};
            if (::stat(copyOf(disk->root(), source + folder).c_str(), &copy) == 0) {
                EXPECT_EQ(copy.st_mode & 07777, bits) << folder;
            }
        }
    }

    // BACKUP1's list keeps what it held; BACKUP2's list carries the pass.
    EXPECT_FALSE(cutOffMoved("BACKUP1"));
    EXPECT_TRUE(cutOffMoved("BACKUP2"));
    EXPECT_EQ(read(program + "BACKUP2.ini").substr(0, source.size() + 2), source + "\r\n");
    EXPECT_NE(log().find("label \"BACKUP2\"  complete  12 copied  0 missed\n"), std::string::npos) << log();

    ASSERT_TRUE(first->unmount());
    const Ended again = runPass();
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(again.out, "Complete...  0 Files Found and Backed Up\nFolder Scan Complete...\n") << again.err;
}

} // namespace
} // namespace quillarc::e2e

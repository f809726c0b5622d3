#include "catalogue/DiskScan.h"
#include "catalogue/support/CatalogueFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class DiskScan : public test::CatalogueFixture {
protected:
    void write(const std::string &relative, const std::string &bytes)
    {
        fs::create_directories(fs::path(disk.file(relative)).parent_path());
        std::ofstream(disk.file(relative), std::ios::binary) << bytes;
    }

    std::set<std::string> recorded()
    {
        std::set<std::string> paths;
        for (const StoredCopy &stored : catalogue->copiesOn(id))
            paths.insert((stored.versionStamp.empty() ? "" : stored.versionStamp + ":") + stored.copy.path);
        return paths;
    }

    test::TempFolder disk;
    std::int64_t id = catalogue->disk({"OLDDISK", ""});
};

// A disk written before the catalogue existed: every copy is read and
// recorded with its own metadata, the program's own files left out.
TEST_F(DiskScan, recordsEveryCopyAndVersionWithTheCopysOwnMetadata)
{
    write("home/ann/a.txt", "alpha");
    write("home/ann/deep/b b.txt", "");
    write(".quillarc/versions/2026-12-01T100000Z/home/ann/a.txt", "older alpha");
    write(".quillarc-label", "OLDDISK");
    write(".quillarc/catalogue.sqlite.new", "leftover");
    write("home/ann/.quillarc-part-0123456789abcdef-a.txt", "half a copy");
    write("lost+found/#123", "ext4's");
    fs::create_symlink("/etc/passwd", disk.file("home/ann/link"));

    const DiskScanResult result = scanDisk(*catalogue, id, disk.path(), "2026-12-10T120000Z");
    EXPECT_TRUE(result.unreadable.empty());
    EXPECT_EQ(result.files, 3);
    EXPECT_EQ(recorded(),
              (std::set<std::string> {"home/ann/a.txt", "home/ann/deep/b b.txt", "2026-12-01T100000Z:home/ann/a.txt"}));

    struct stat st {};
    ASSERT_EQ(::stat(disk.file("home/ann/a.txt").c_str(), &st), 0);
    const auto copy = catalogue->copyAt(id, "home/ann/a.txt");
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->hash, ContentHasher::of("alpha", 5));
    EXPECT_EQ(copy->size, 5);
    EXPECT_EQ(copy->modifiedNs, st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec);
    EXPECT_EQ(copy->mode, st.st_mode);
    EXPECT_EQ(copy->uid, st.st_uid);
    // The source's change time is unknown: the next pass copies the file again.
    EXPECT_EQ(copy->sourceChangedNs, 0);
    EXPECT_EQ(copy->passStamp, "2026-12-10T120000Z");
}

// Read again, a disk keeps what the catalogue knew of unchanged copies (the
// source's change time above all), and loses records of copies now gone.
TEST_F(DiskScan, keepsRecordsOfTheSameBytesAndDropsWhatIsGone)
{
    write("same.txt", "same");
    write("changed.txt", "new bytes");
    struct stat st {};
    ASSERT_EQ(::stat(disk.file("same.txt").c_str(), &st), 0);
    CopyRecord same =
        record("same.txt", "same", "2026-11-01T000000Z", st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec);
    same.mode = st.st_mode;
    catalogue->recordCopy(id, same);
    catalogue->recordCopy(id, record("changed.txt", "old bytes"));
    catalogue->recordCopy(id, record("gone.txt", "gone"));
    catalogue->recordVersionCopy(id, record("gone.txt", "older"), "2026-11-02T000000Z");

    const DiskScanResult result = scanDisk(*catalogue, id, disk.path(), "2026-12-10T120000Z");
    EXPECT_EQ(result.kept, 1);
    EXPECT_EQ(result.dropped, 2);
    EXPECT_EQ(catalogue->copyAt(id, "same.txt"), same);
    EXPECT_EQ(catalogue->copyAt(id, "changed.txt")->hash, ContentHasher::of("new bytes", 9));
    EXPECT_EQ(catalogue->copyAt(id, "changed.txt")->sourceChangedNs, 0);
    EXPECT_EQ(recorded(), (std::set<std::string> {"same.txt", "changed.txt"}));
}

} // namespace
} // namespace quillarc

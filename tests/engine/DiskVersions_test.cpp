#include "engine/support/PassFixture.h"

#include "catalogue/Catalogue.h"
#include "catalogue/DiskLayout.h"
#include "engine/BackupDisk.h"
#include "engine/DiskVersions.h"
#include "engine/FileBytes.h"
#include "engine/RoomCheck.h"
#include "lists/DateTime.h"
#include "lists/DateTimeText.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class DiskVersionsTest : public PassFixture {
protected:
    std::vector<fs::path> stampFolders() const
    {
        std::vector<fs::path> stamps;
        if (fs::exists(medium + ".quillarc/versions"))
            stamps.assign(fs::directory_iterator(medium + ".quillarc/versions"), fs::directory_iterator());
        std::sort(stamps.begin(), stamps.end());
        return stamps;
    }
};

// A copy the next pass replaces moves into that pass's versions by a
// rename: the same file, with its bits and time, in folders no more open
// than the program's own; the new copy stands under the mirror path.
TEST_F(DiskVersionsTest, AReplacedCopyIsKeptByRenameWithItsMetadata)
{
    const std::string file = source + "/docs/letter.txt";
    writeFile(file, "the good text");
    ::chmod(file.c_str(), 0640);
    addItem(source, "Yes");
    runPass();
    struct stat first {};
    ASSERT_EQ(::stat(copyOf(medium, file).c_str(), &first), 0);

    writeFile(file, "overwritten by mistake", 0);
    clock.shift = std::chrono::seconds(5);
    const PassOutcome &outcome = runPass();
    EXPECT_EQ(outcome.filesCopied, 1);
    EXPECT_EQ(readFile(copyOf(medium, file)), "overwritten by mistake");

    const std::vector<fs::path> stamps = stampFolders();
    ASSERT_EQ(stamps.size(), 1u);
    const std::string version = (stamps[0] / file.substr(1)).string();
    EXPECT_EQ(readFile(version), "the good text");
    struct stat kept {};
    ASSERT_EQ(::stat(version.c_str(), &kept), 0);
    EXPECT_EQ(kept.st_ino, first.st_ino) << "moved, not copied";
    EXPECT_EQ(kept.st_mode & 07777, 0640u);
    EXPECT_EQ(kept.st_mtim.tv_sec, first.st_mtim.tv_sec);
    for (fs::path folder = fs::path(version).parent_path(); folder != fs::path(medium).parent_path();
         folder = folder.parent_path()) {
        if (folder.string().size() < (medium + ".quillarc").size())
            break;
        struct stat st {};
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 077, 0u) << folder << " is private";
    }
    const int root = ::open(medium.c_str(), O_RDONLY | O_DIRECTORY);
    const std::vector<DiskVersions::Version> listed = DiskVersions::of(root, (source + "/docs").substr(1));
    ::close(root);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].path, file.substr(1));
    EXPECT_EQ(listed[0].size, 13);
    EXPECT_EQ(listed[0].stamp, stamps[0].filename().string());
}

TEST_F(DiskVersionsTest, TheSamePathKeptTwiceByOnePassGetsAStampOfItsOwn)
{
    writeFile(medium + "a/f", "one");
    const int root = ::open(medium.c_str(), O_RDONLY | O_DIRECTORY);
    const int dir = ::open((medium + "a").c_str(), O_RDONLY | O_DIRECTORY);
    DiskVersions versions;
    versions.setPassStamp("2026-12-10T210500Z");
    EXPECT_EQ(versions.keep(root, dir, "f", "a/f"), std::optional<std::string>("2026-12-10T210500Z"));
    writeFile(medium + "a/f", "two");
    EXPECT_EQ(versions.keep(root, dir, "f", "a/f"), std::optional<std::string>("2026-12-10T210500Z-2"));
    EXPECT_FALSE(exists(medium + "a/f"));
    EXPECT_EQ(readFile(medium + ".quillarc/versions/2026-12-10T210500Z/a/f"), "one");
    EXPECT_EQ(readFile(medium + ".quillarc/versions/2026-12-10T210500Z-2/a/f"), "two");
    EXPECT_TRUE(DiskVersions::putBack(root, "2026-12-10T210500Z-2", dir, "f", "a/f"));
    EXPECT_EQ(readFile(medium + "a/f"), "two");
    ::close(dir);
    ::close(root);
}

// Pruning takes the oldest pass's versions first and stops once there is
// room; a pass folder left empty goes too.
TEST_F(DiskVersionsTest, PruningTakesTheOldestFirstAndStopsWhenThereIsRoom)
{
    const std::string chunk(64 << 10, 'v');
    for (const char *stamp : {"2026-03-01T000000Z", "2026-01-01T000000Z", "2026-02-01T000000Z"})
        writeFile(medium + ".quillarc/versions/" + stamp + "/home/f", chunk);
    const int root = ::open(medium.c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_EQ(DiskVersions::room(root), 3 * std::int64_t {64 << 10});
    std::vector<std::string> pruned;
    const std::int64_t given = DiskVersions::prune(
        root, [](std::int64_t bytes) { return bytes >= (100 << 10); },
        [&](const std::string &stamp, const std::string &path) { pruned.push_back(stamp + " " + path); });
    EXPECT_EQ(given, 2 * std::int64_t {64 << 10});
    EXPECT_EQ(pruned, std::vector<std::string>({"2026-01-01T000000Z home/f", "2026-02-01T000000Z home/f"}));
    const std::vector<fs::path> stamps = stampFolders();
    ASSERT_EQ(stamps.size(), 1u);
    EXPECT_EQ(stamps[0].filename(), "2026-03-01T000000Z");
    EXPECT_EQ(DiskVersions::prune(root, [](std::int64_t) { return true; }), 0) << "enough already: nothing pruned";
    ::close(root);
}

// Whatever a pass that died left in the disk's folder of temporary copies
// is gone once the next pass has begun, even one that copies nothing.
TEST_F(DiskVersionsTest, LeftoversOfADeadPassGoWithTheNextPass)
{
    writeFile(medium + ".quillarc/part/0123456789abcdef.part", "half a copy");
    writeFile(medium + ".quillarc/part/fedcba9876543210.part", "");
    addItem(source, "Yes");
    runPass();
    EXPECT_TRUE(fs::is_empty(medium + ".quillarc/part"));
}

// The room check counts only what the copy scan writes: a large file whose
// copy is current (it qualified again within the cut-off's margin) needs no
// room, and a small new file is copied without a question.
TEST_F(DiskVersionsTest, TheRoomCheckLeavesOutCopiesThatAreCurrent)
{
    writeFile(source + "/large.img", std::string(std::size_t {4} << 20, 'l'));
    addItem(source, "Yes");
    runPass();
    ASSERT_TRUE(exists(copyOf(medium, source + "/large.img")));
    list.setCutOffValue(list.at(0), 0); // qualifies again
    writeFile(source + "/small.txt", "small", 0);
    host.setFree(kDrive, 1 << 20);
    ui.confirmAnswers = {false}; // a room question would end the pass
    clock.shift = std::chrono::seconds(5);
    const PassOutcome &outcome = runPass();
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(outcome.end, PassEnd::Complete);
    EXPECT_EQ(readFile(copyOf(medium, source + "/small.txt")), "small");
    EXPECT_TRUE(stampFolders().empty()) << "the current copy was not replaced";
}

// A file rewritten while it is copied and given its old time back (as
// `touch -r` does) keeps its length and time: its status-change time tells.
// The copy holds it as read, it is named, its cut-off is held, and the next
// pass copies it again: the catalogue kept the status-change time the
// source had when the copy began, which no longer matches.
std::string rewrittenPath;
ssize_t readThenRewrite(int fd, void *buffer, std::size_t length, off_t offset)
{
    const ssize_t got = ::pread(fd, buffer, length, offset);
    if (!rewrittenPath.empty()) {
        struct stat before {};
        ::stat(rewrittenPath.c_str(), &before);
        const int out = ::open(rewrittenPath.c_str(), O_WRONLY);
        (void)::pwrite(out, "X", 1, 0);
        ::close(out);
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ::utimensat(AT_FDCWD, rewrittenPath.c_str(), times, 0);
        rewrittenPath.clear();
    }
    return got;
}

TEST_F(DiskVersionsTest, AFileRewrittenWithItsTimePutBackDuringTheCopyIsNamed)
{
    const std::string file = source + "/db.bin";
    writeFile(file, std::string(1 << 20, 'a'));
    addItem(source, "Yes");
    rewrittenPath = file;
    const SourceReads saved = sourceReads();
    sourceReads().pread = readThenRewrite;
    const PassOutcome &outcome = runPass();
    sourceReads() = saved;
    ASSERT_TRUE(rewrittenPath.empty()) << "the copy never read through the hook";

    EXPECT_EQ(outcome.end, PassEnd::Complete);
    ASSERT_EQ(outcome.notes.size(), 1u);
    EXPECT_EQ(outcome.notes[0].path, file);
    EXPECT_NE(outcome.notes[0].cause.find("changed while it was read"), std::string::npos);
    struct stat now {};
    ASSERT_EQ(::stat(file.c_str(), &now), 0);
    EXPECT_LT(parseNumberText(list.at(0).text(TextFloat)), dateTimeFromTimespec(now.st_ctim));
    EXPECT_NE(readFile(copyOf(medium, file)), readFile(file)) << "the copy holds the file as it was first read";

    clock.shift = std::chrono::seconds(5);
    const PassOutcome &next = runPass();
    EXPECT_EQ(next.filesCopied, 1) << "a copy made while the source changed is never current";
    EXPECT_EQ(readFile(copyOf(medium, file)), readFile(file));
    EXPECT_EQ(runPass().filesCopied, 0) << "and once copied whole, it is";
}

// A source folder that became a file: the folder of copies makes way into
// the versions whole, and the catalogue knows every copy that was in it as
// a version of that pass, none as current; a neighbour whose name merely
// begins the same stays current.
TEST_F(DiskVersionsTest, AFolderOfCopiesMovedIntoTheVersionsTakesItsCopiesAlongInTheCatalogue)
{
    writeFile(source + "/docs/sub/a.txt", "a");
    writeFile(source + "/docs/sub/deep/b.txt", "b");
    writeFile(source + "/docs/subway.txt", "c");
    addItem(source, "Yes");
    ASSERT_EQ(runPass().filesCopied, 3);
    fs::remove_all(source + "/docs/sub");
    writeFile(source + "/docs/sub", "a file now");
    clock.shift = std::chrono::seconds(5);
    ASSERT_EQ(runPass().filesCopied, 1);
    const std::vector<fs::path> stamps = stampFolders();
    ASSERT_EQ(stamps.size(), 1u);
    const std::string stamp = stamps[0].filename().string();
    ASSERT_TRUE(exists((stamps[0] / (source.substr(1) + "/docs/sub/deep/b.txt")).string()));

    const Catalogue catalogue(program + std::string(disklayout::kProgramCatalogue));
    std::vector<std::string> seen;
    for (const CopyEntry &entry : catalogue.copiesUnder(source + "/docs"))
        seen.push_back(entry.copy.path.substr(source.size() - 1) + (entry.versionStamp.empty() ? "" : " v") +
                       entry.versionStamp);
    EXPECT_EQ(seen, (std::vector<std::string> {"/docs/sub", "/docs/sub/a.txt v" + stamp,
                                               "/docs/sub/deep/b.txt v" + stamp, "/docs/subway.txt"}));
}

// Once a pass's copies are on the disk, the disk carries its own catalogue
// and a manifest that xxh128sum checks at its root, with no program: the
// manifest names the copies with the hashes of the bytes the pass copied.
TEST_F(DiskVersionsTest, ThePassLeavesTheDiskItsOwnCatalogueAndAManifestXxh128sumChecks)
{
    writeFile(source + "/docs/a name with spaces.txt", "first");
    writeFile(source + "/docs/b.bin", std::string(200000, 'b'));
    addItem(source, "Yes");
    ASSERT_EQ(runPass().filesCopied, 2);
    ASSERT_TRUE(exists(medium + ".quillarc/catalogue.sqlite"));
    const std::string manifest = readFile(medium + ".quillarc/manifest.xxh128");
    EXPECT_NE(manifest.find("docs/a name with spaces.txt"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("docs/b.bin"), std::string::npos) << manifest;
    if (::access("/usr/bin/xxh128sum", X_OK) == 0) {
        const std::string check = "cd '" + medium + "' && xxh128sum --quiet -c .quillarc/manifest.xxh128";
        EXPECT_EQ(std::system(check.c_str()), 0) << manifest;
        // A copy damaged on the disk no longer checks.
        writeFile(copyOf(medium, source + "/docs/b.bin"), std::string(200000, 'x'));
        EXPECT_NE(std::system((check + " 2>/dev/null >/dev/null").c_str()), 0);
    }
}

// The disk's own folder never receives a copy of a source file, whatever
// the source is called: a copy whose mirror path lies in it is refused.
TEST_F(DiskVersionsTest, TheDisksOwnFolderTakesNoCopy)
{
    writeFile(source + "/f", "a source file");
    const int fd = ::open((source + "/f").c_str(), O_RDONLY);
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0);
    BackupDisk disk;
    disk.setRoot(medium);
    disk.setPassStamp("2026-12-10T210500Z");
    BackupDisk::StoreReport report;
    for (const char *path : {".quillarc/versions/2026-12-10T210500Z/f", ".quillarc", ".quillarc/part/x.part"})
        EXPECT_EQ(disk.store(fd, st, path, {}, report), BackupDisk::Result::TargetSkipped) << path;
    ::close(fd);
    EXPECT_FALSE(exists(medium + ".quillarc"));
}

TEST(RoomDecision, VersionsAreRoomAPassMayTakeBack)
{
    using RoomCheck::Room;
    struct Case {
        std::int64_t free, versions, total, capacity;
        Room room;
        std::int64_t disks;
    };
    const Case cases[] = {
        {5001, 0, 5000, 10000, Room::Fits, 0},
        {5001, 9000, 5000, 10000, Room::Fits, 0},
        {1000, 4001, 5000, 10000, Room::TakesVersions, 0},
        {1000, 4000, 5000, 10000, Room::NeedsDisks, 1},
        {0, 0, 5000, 10000, Room::NeedsDisks, 1},
        {1000, 2000, 25000, 10000, Room::NeedsDisks, 3},
        {1000, -5, 5000, 10000, Room::NeedsDisks, 1},
        {-1, 9000, 5000, 10000, Room::NeedsDisks, 1},
        {std::int64_t {1} << 32, (std::int64_t {4} << 32) + 1, std::int64_t {5} << 32, std::int64_t {1} << 32,
         Room::TakesVersions, 0},
    };
    for (const Case &c : cases) {
        const RoomCheck::Decision decision = RoomCheck::decide(c.free, c.versions, c.total, c.capacity);
        EXPECT_EQ(decision.room, c.room) << c.free << " + " << c.versions << " for " << c.total;
        EXPECT_EQ(decision.disks, c.disks) << c.free << " + " << c.versions << " for " << c.total;
    }
}

} // namespace
} // namespace quillarc

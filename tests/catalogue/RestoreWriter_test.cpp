#include "catalogue/ContentHasher.h"
#include "catalogue/RestoreWriter.h"

#include "base/UniqueFd.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;
using Status = RestoreResult::Status;

Hash128 hashOf(const std::string &bytes)
{
    ContentHasher hasher;
    hasher.update(bytes.data(), bytes.size());
    return hasher.digest();
}

struct StatOf {
    explicit StatOf(const std::string &path) { ok = ::lstat(path.c_str(), &status) == 0; }
    struct stat status {};
    bool ok = false;
};

// A backup disk in a folder, and the folder restored to.
class RestoreWriterTest : public ::testing::Test {
protected:
    test::TempFolder disk;
    test::TempFolder target;
    UniqueFd diskRoot {::open(disk.folder().c_str(), O_RDONLY | O_DIRECTORY)};
    std::vector<PlannedFile> plan;

    // A copy on the disk (at its mirror path, or in a version) recorded with
    // `recorded` as its content, and planned to go to target/<targetPath>.
    PlannedFile &addCopy(const std::string &mirror, const std::string &bytes, const std::string &targetPath,
                         std::uint32_t mode = 0640, const std::string &version = {}, const std::string &recorded = {})
    {
        PlannedFile file;
        file.source.diskId = 1;
        file.source.diskLabel = "BACKUP1";
        file.source.versionStamp = version;
        file.source.copy.path = mirror;
        const std::string &content = recorded.empty() ? bytes : recorded;
        file.source.copy.size = static_cast<std::int64_t>(content.size());
        file.source.copy.hash = hashOf(content);
        file.source.copy.mode = S_IFREG | mode;
        file.source.copy.uid = ::geteuid();
        file.source.copy.gid = ::getegid();
        file.source.copy.modifiedNs = 1'700'000'000'123'456'789;
        const std::string onDisk = disk.folder() + "/" + file.pathOnDisk();
        fs::create_directories(fs::path(onDisk).parent_path());
        disk.write(file.pathOnDisk(), bytes);
        file.target = target.folder() + "/" + targetPath;
        plan.push_back(file);
        return plan.back();
    }

    std::map<std::string, RestoreResult> run(bool overwrite = false, const std::atomic<bool> *stop = nullptr)
    {
        std::map<std::string, RestoreResult> results;
        RestoreWriter writer(diskRoot.get(), {target.folder(), overwrite, "2026-12-10"});
        writer.restore(
            plan,
            [&](const PlannedFile &file, const RestoreResult &result) {
                results[file.target.substr(target.path().size())] = result;
            },
            stop);
        return results;
    }

    std::vector<std::string> namesIn(const std::string &folder) const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(target.path() + folder))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(RestoreWriterTest, WritesContentModeTimesAndFoldersLikeTheDisk)
{
    addCopy("home/ann/Docs/a.txt", "alpha", "Docs/a.txt", 0604);
    addCopy("home/ann/Docs/sub/b.txt", std::string(3 << 20, 'b'), "Docs/sub/b.txt", 0600);
    addCopy("home/ann/Docs/empty", "", "Docs/empty", 0644);
    ::chmod((disk.folder() + "/home/ann/Docs/sub").c_str(), 0750);
    ::chmod((disk.folder() + "/home/ann/Docs").c_str(), 0711);

    const auto results = run();
    ASSERT_EQ(results.size(), 3U);
    for (const auto &[path, result] : results) {
        EXPECT_EQ(result.status, Status::Restored) << path << ": " << result.problem;
        EXPECT_EQ(result.writtenTo, target.path() + path);
    }
    EXPECT_EQ(target.read("Docs/a.txt"), "alpha");
    EXPECT_EQ(target.read("Docs/sub/b.txt"), std::string(3 << 20, 'b'));
    EXPECT_EQ(target.read("Docs/empty"), "");
    const StatOf a(target / "Docs/a.txt");
    EXPECT_EQ(a.status.st_mode & 07777, 0604U);
    EXPECT_EQ(a.status.st_mtim.tv_sec, 1'700'000'000);
    EXPECT_EQ(a.status.st_mtim.tv_nsec, 123'456'789);
    EXPECT_EQ(StatOf(target / "Docs/sub/b.txt").status.st_mode & 07777, 0600U);
    EXPECT_EQ(StatOf(target / "Docs").status.st_mode & 07777, 0711U);
    EXPECT_EQ(StatOf(target / "Docs/sub").status.st_mode & 07777, 0750U);
    EXPECT_EQ(namesIn("Docs"), (std::vector<std::string> {"a.txt", "empty", "sub"}));
}

std::string attributeOf(const std::string &path, const char *name)
{
    char value[1024];
    const ssize_t length = ::lgetxattr(path.c_str(), name, value, sizeof value);
    return length < 0 ? std::string("<none>") : std::string(value, static_cast<std::size_t>(length));
}

bool setfacl(const std::string &arguments)
{
    return std::system(("setfacl " + arguments + " 2>/dev/null").c_str()) == 0;
}

// A restored file holds the lists and attributes of its copy and no list
// inherited where it lands; a folder made takes its model's lists and
// times once its files are in, even when the model is read-only.
TEST_F(RestoreWriterTest, ListsAttributesAndFolderTimesAsTheCopyHolds)
{
    addCopy("home/ann/Docs/a.txt", "alpha", "Docs/a.txt", 0640);
    addCopy("home/ann/Docs/b.txt", "beta", "Docs/b.txt", 0600);
    const std::string onDisk = disk.folder() + "/home/ann/Docs";
    if (::setxattr((onDisk + "/a.txt").c_str(), "user.colour", "blue", 4, 0) != 0 ||
        !setfacl("-m u:nobody:r " + onDisk + "/a.txt") || !setfacl("-d -m u:nobody:rx " + onDisk) ||
        !setfacl("-d -m u:nobody:rw " + target.folder()))
        GTEST_SKIP() << "the temporary folder's file system keeps no lists or user attributes";
    ::chmod(onDisk.c_str(), 0555);
    const timespec times[2] = {{1'500'000'000, 0}, {1'600'000'000, 7}};
    ASSERT_EQ(::utimensat(AT_FDCWD, onDisk.c_str(), times, 0), 0);

    const auto results = run();
    for (const auto &[path, result] : results)
        EXPECT_EQ(result.status, Status::Restored) << path << ": " << result.problem;
    const std::string a = target / "Docs/a.txt";
    EXPECT_EQ(attributeOf(a, "user.colour"), "blue");
    EXPECT_EQ(attributeOf(a, "system.posix_acl_access"), attributeOf(onDisk + "/a.txt", "system.posix_acl_access"));
    EXPECT_EQ(attributeOf(target / "Docs/b.txt", "system.posix_acl_access"), "<none>");
    EXPECT_EQ(StatOf(target / "Docs/b.txt").status.st_mode & 07777, 0600U);
    const std::string docs = target / "Docs";
    EXPECT_EQ(attributeOf(docs, "system.posix_acl_default"), attributeOf(onDisk, "system.posix_acl_default"));
    const StatOf folder(docs);
    EXPECT_EQ(folder.status.st_mode & 07777, 0555U);
    EXPECT_EQ(folder.status.st_mtim.tv_sec, 1'600'000'000);
    EXPECT_EQ(folder.status.st_mtim.tv_nsec, 7);
    ::chmod(onDisk.c_str(), 0755);
    ::chmod(docs.c_str(), 0755);
}

TEST_F(RestoreWriterTest, OverwritesNothingUnasked)
{
    addCopy("d/same", "same", "d/same");
    addCopy("d/changed", "backed up", "d/changed");
    addCopy("d/folder", "a file", "d/folder");
    fs::create_directories(target / "d/folder");
    target.write("d/folder/inside", "kept");
    target.write("d/same", "same");
    target.write("d/changed", "edited since");
    const ino_t sameInode = StatOf(target / "d/same").status.st_ino;

    auto results = run();
    EXPECT_EQ(results["d/same"].status, Status::AlreadyThere);
    EXPECT_EQ(StatOf(target / "d/same").status.st_ino, sameInode);
    EXPECT_EQ(results["d/changed"].status, Status::RestoredBeside);
    EXPECT_EQ(results["d/changed"].writtenTo, target / "d/changed.restored-2026-12-10");
    EXPECT_EQ(target.read("d/changed"), "edited since");
    EXPECT_EQ(target.read("d/changed.restored-2026-12-10"), "backed up");
    EXPECT_EQ(results["d/folder"].status, Status::RestoredBeside);
    EXPECT_EQ(target.read("d/folder/inside"), "kept");
    EXPECT_EQ(target.read("d/folder.restored-2026-12-10"), "a file");

    // Run again: everything is found in place, nothing new is written.
    results = run();
    for (const auto &[path, result] : results)
        EXPECT_EQ(result.status, Status::AlreadyThere) << path;
    EXPECT_EQ(namesIn("d"), (std::vector<std::string> {"changed", "changed.restored-2026-12-10", "folder",
                                                       "folder.restored-2026-12-10", "same"}));

    // A third file content at the target gets a second name beside it.
    target.write("d/changed", "edited again");
    ::unlink((target / "d/changed.restored-2026-12-10").c_str());
    target.write("d/changed.restored-2026-12-10", "something else");
    EXPECT_EQ(run()["d/changed"].writtenTo, target / "d/changed.restored-2026-12-10-2");
}

TEST_F(RestoreWriterTest, OverwriteKeepsTheReplacedFileAside)
{
    addCopy("d/changed", "backed up", "d/changed");
    addCopy("d/folder", "a file", "d/folder");
    fs::create_directories(target / "d/folder");
    target.write("d/changed", "edited since");

    auto results = run(true);
    EXPECT_EQ(results["d/changed"].status, Status::Overwritten);
    EXPECT_EQ(target.read("d/changed"), "backed up");
    EXPECT_EQ(results["d/changed"].keptAside, target / "d/changed.replaced-2026-12-10");
    EXPECT_EQ(target.read("d/changed.replaced-2026-12-10"), "edited since");
    // A folder is never replaced, even when asked.
    EXPECT_EQ(results["d/folder"].status, Status::RestoredBeside);
    EXPECT_TRUE(fs::is_directory(target / "d/folder"));
}

// A copy whose bytes went bad is named, and a version of the same content
// takes its place. One of another length is caught as it is written; one
// of the recorded length only when its batch is read back, while the next
// files are written: it is written again and checked before anything of it
// is put in place.
TEST_F(RestoreWriterTest, ABadCopyIsNamedAndAVersionOfTheSameContentTakesItsPlace)
{
    struct Case {
        const char *what, *onDisk, *recorded, *otherOnDisk, *otherRecorded;
    };
    for (const Case &c : {Case {"another length", "rotten", "good", "also rotten", "fine"},
                          Case {"the recorded length", "bitrot", "intact", "bitrot", "sound!"}}) {
        SCOPED_TRACE(c.what);
        fs::remove_all(target.path() + "d");
        plan.clear();
        for (int i = 0; i < 3; ++i)
            addCopy("d/fine" + std::to_string(i), "fine " + std::to_string(i), "d/fine" + std::to_string(i));
        PlannedFile version = addCopy("d/a", c.onDisk, "d/a", 0644, {}, c.recorded);
        version.source.versionStamp = "2026-12-01T100000Z";
        fs::create_directories(disk.path() + ".quillarc/versions/2026-12-01T100000Z/d");
        disk.write(".quillarc/versions/2026-12-01T100000Z/d/a", c.recorded);
        plan.back().alternatives.push_back(version.source);
        addCopy("d/b", c.otherOnDisk, "d/b", 0644, {}, c.otherRecorded);

        const auto results = run();
        EXPECT_EQ(results.size(), 5U);
        EXPECT_EQ(results.at("d/a").status, Status::Restored);
        EXPECT_EQ(target.read("d/a"), c.recorded);
        EXPECT_NE(results.at("d/a").problem.find("d/a on disk BACKUP1: does not match its recorded content"),
                  std::string::npos)
            << results.at("d/a").problem;
        EXPECT_EQ(results.at("d/b").status, Status::Failed);
        EXPECT_TRUE(results.at("d/b").badCopy);
        EXPECT_EQ(namesIn("d"), (std::vector<std::string> {"a", "fine0", "fine1", "fine2"}));
    }
}

TEST_F(RestoreWriterTest, FollowsNoLinkAndOpensNoPipeOnTheDisk)
{
    test::TempFolder outside;
    outside.write("secret", "outside the disk");
    addCopy("d/x", "placeholder", "d/x");
    fs::remove_all(disk / "d");
    fs::create_directory_symlink(outside.folder(), disk / "d");
    plan.back().source.copy.hash = hashOf("outside the disk");
    plan.back().source.copy.path = "d/secret";

    // Nor is a pipe where a copy should be ever opened to wait on.
    addCopy("p/fifo", "placeholder", "p/fifo");
    ::unlink((disk / "p/fifo").c_str());
    ASSERT_EQ(::mkfifo((disk / "p/fifo").c_str(), 0600), 0);

    const auto results = run();
    EXPECT_EQ(results.at("d/x").status, Status::Failed);
    EXPECT_FALSE(target.exists("d/x"));
    EXPECT_EQ(results.at("p/fifo").status, Status::Failed);
    EXPECT_NE(results.at("p/fifo").problem.find("not a plain file"), std::string::npos);
}

TEST_F(RestoreWriterTest, RunAgainAfterAStopFinishesWithoutLeftovers)
{
    for (int i = 0; i < 5; ++i)
        addCopy("d/f" + std::to_string(i), "content " + std::to_string(i), "d/f" + std::to_string(i));
    // The first run stops before its third file, so nothing of it is
    // written; a temporary file is left by a run killed while writing f4.
    std::atomic<bool> stop {true};
    EXPECT_TRUE(run(false, &stop).empty());
    const std::vector<PlannedFile> all = plan;
    plan.resize(2);
    EXPECT_EQ(run().size(), 2U);
    plan = all;
    ContentHasher tempName;
    const std::string f4 = target / "d/f4";
    tempName.update(f4.data(), f4.size());
    target.write("d/.quillarc-restoring-" + tempName.digest().hex().substr(0, 16), "cont");

    const auto second = run();
    ASSERT_EQ(second.size(), 5U);
    for (const auto &[path, result] : second)
        EXPECT_EQ(result.status, path < "d/f2" ? Status::AlreadyThere : Status::Restored) << path << result.problem;
    EXPECT_EQ(namesIn("d"), (std::vector<std::string> {"f0", "f1", "f2", "f3", "f4"}));
    EXPECT_EQ(target.read("d/f4"), "content 4");
}

// Batches go to the disk while the next is written: across several of
// them, in folders that change within a batch and across its end, every
// file is told once, and only once it stands in place whole; a stop keeps
// that, and leaves no temporary file.
TEST_F(RestoreWriterTest, ManyBatchesAreToldOnceEachAndOnlyOnceInPlace)
{
    constexpr int kFiles = 2600;
    for (int i = 0; i < kFiles; ++i) {
        const std::string path = "b" + std::to_string(i * 3 / kFiles) + "/f" + std::to_string(i);
        addCopy(path, "content " + std::to_string(i), path);
    }
    for (const int stopAfter : {1200, kFiles}) {
        SCOPED_TRACE(stopAfter);
        fs::remove_all(target.path() + "b0");
        fs::remove_all(target.path() + "b1");
        fs::remove_all(target.path() + "b2");
        std::atomic<bool> stop {false};
        std::map<std::string, int> told;
        int notInPlace = 0;
        RestoreWriter writer(diskRoot.get(), {target.folder(), false, "2026-12-10"});
        writer.restore(
            plan,
            [&](const PlannedFile &file, const RestoreResult &result) {
                const std::string relative = file.target.substr(target.path().size());
                ++told[relative];
                const std::string number = relative.substr(relative.find("/f") + 2);
                if (result.status != Status::Restored || !target.exists(relative) ||
                    target.read(relative) != "content " + number)
                    ++notInPlace;
                if (static_cast<int>(told.size()) >= stopAfter)
                    stop = true;
            },
            &stop);
        EXPECT_EQ(notInPlace, 0);
        EXPECT_GE(static_cast<int>(told.size()), std::min(stopAfter, kFiles));
        for (const auto &[path, times] : told)
            EXPECT_EQ(times, 1) << path;
        int leftovers = 0;
        int inPlace = 0;
        for (const char *folder : {"b0", "b1", "b2"})
            for (const std::string &name : namesIn(folder)) {
                leftovers += name.rfind(".quillarc-restoring-", 0) == 0 ? 1 : 0;
                inPlace += told.count(std::string(folder) + "/" + name) ? 1 : 0;
            }
        EXPECT_EQ(leftovers, 0);
        EXPECT_EQ(inPlace, static_cast<int>(told.size()));
    }
}

// Every folder of a batch is held open until its files are in place: a
// tree of many small folders must still fit the process's descriptors.
TEST_F(RestoreWriterTest, ManyFoldersFitALowDescriptorLimit)
{
    constexpr int kFolders = 600;
    for (int i = 0; i < kFolders; ++i) {
        const std::string path = "many/d" + std::to_string(i) + (i % 3 == 0 ? "/deeper" : "") + "/f";
        addCopy(path, "content " + std::to_string(i), path);
    }
    rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit low = before;
    low.rlim_cur = 128;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    const auto results = run();
    ::setrlimit(RLIMIT_NOFILE, &before);

    int restored = 0;
    for (const auto &[path, result] : results) {
        EXPECT_EQ(result.status, Status::Restored) << path << ": " << result.problem;
        restored += target.exists(path) ? 1 : 0;
    }
    EXPECT_EQ(restored, kFolders);
}

TEST_F(RestoreWriterTest, AsRootGivesOwnersThatExistAndNoSetIdOtherwise)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give files owners";
    addCopy("d/nobody", "n", "d/nobody", 04755).source.copy.uid = 65534;
    addCopy("d/ghost", "g", "d/ghost", 06755).source.copy.uid = 3'999'999;
    plan.back().source.copy.gid = 3'999'999;
    // A link of another user where a folder goes is not followed.
    test::TempFolder elsewhere;
    addCopy("e/file", "e", "e/file");
    fs::create_directory_symlink(elsewhere.folder(), target / "e");
    ::lchown((target / "e").c_str(), 65534, 65534);

    const auto results = run();
    EXPECT_EQ(StatOf(target / "d/nobody").status.st_uid, 65534U);
    EXPECT_EQ(StatOf(target / "d/nobody").status.st_mode & 07777, 04755U);
    EXPECT_EQ(StatOf(target / "d/ghost").status.st_uid, 0U);
    EXPECT_EQ(StatOf(target / "d/ghost").status.st_mode & 07777, 0755U);
    EXPECT_EQ(results.at("e/file").status, Status::Failed);
    EXPECT_EQ(elsewhere.entryCount(), 0U);
}

} // namespace
} // namespace quillarc

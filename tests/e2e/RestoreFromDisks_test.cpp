#include "catalogue/Catalogue.h"
#include "catalogue/ContentHasher.h"
#include "catalogue/DiskLayout.h"
#include "e2e/support/RealDiskTest.h"
#include "support/PtyProcess.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sys/inotify.h>
#include <unistd.h>

namespace quillarc::e2e {
namespace {

namespace fs = std::filesystem;
using Kind = DiskImage::Kind;

const std::string kMonday = "2026-12-07T100000Z";
const std::string kTuesday = "2026-12-08T100000Z";
constexpr std::int64_t kMondayMtimeNs = 1'765'000'000'123'456'789;

std::string todayText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char text[16];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d", &local));
}

// A spanned set of two ext4 disks with versions, made as a pass leaves
// them: copies at their mirror paths, older ones in the versions of the
// pass that replaced them, and the program folder's catalogue of both.
class RestoreFromDisks : public RealDiskTest {
protected:
    struct Placed {
        Placed(std::string below, std::string bytes, std::string stamp, std::uint32_t mode = 0644,
               std::uint32_t uid = 0, std::string version = {})
            : below(std::move(below)), bytes(std::move(bytes)), stamp(std::move(stamp)), mode(mode), uid(uid),
              version(std::move(version))
        {
        }
        std::string below; ///< below the source folder
        std::string bytes;
        std::string stamp;
        std::uint32_t mode;
        std::uint32_t uid;
        std::string version; ///< moved into the versions by this pass
    };

    void place(Catalogue &catalogue, DiskImage &disk, const std::string &label, const Placed &file)
    {
        CopyRecord record;
        record.path = (source + "/" + file.below).substr(1);
        record.size = static_cast<std::int64_t>(file.bytes.size());
        record.hash = ContentHasher::of(file.bytes.data(), file.bytes.size());
        record.mode = S_IFREG | file.mode;
        record.uid = file.uid;
        record.modifiedNs = kMondayMtimeNs;
        record.passStamp = file.stamp;
        const std::int64_t id = catalogue.disk({label, {}});
        catalogue.recordCopy(id, record);
        std::string onDisk = disk.root() + record.path;
        if (!file.version.empty()) {
            catalogue.recordVersion(id, record.path, file.version);
            onDisk = disk.root() + std::string(disklayout::kVersions) + "/" + file.version + "/" + record.path;
        }
        fs::create_directories(fs::path(onDisk).parent_path());
        std::ofstream(onDisk, std::ios::binary) << file.bytes;
        ::chmod(onDisk.c_str(), file.mode);
        const timespec times[2] = {{kMondayMtimeNs / 1'000'000'000, kMondayMtimeNs % 1'000'000'000},
                                   {kMondayMtimeNs / 1'000'000'000, kMondayMtimeNs % 1'000'000'000}};
        ::utimensat(AT_FDCWD, onDisk.c_str(), times, 0);
    }

    // SET-A: a.txt of Monday (a version since Tuesday) and of Tuesday, d.txt
    // of Tuesday. SET-B: b.txt, sub/c.bin (private, set-uid, of a user that
    // does not exist) and n.txt (of nobody) of Monday, and `many` small
    // files.
    bool makeSet(int many = 0)
    {
        if (const std::string why = prepareDisks(Kind::Ext4); !why.empty()) {
            skipped = why;
            return false;
        }
        first = makeDisk(Kind::Ext4, 16, "SET-A");
        second = makeDisk(Kind::Ext4, 48, "SET-B");
        if (!first || !second || !insert(*first, "SET-A") || !insert(*second, "SET-B-mount"))
            return false;
        Catalogue catalogue(program + std::string(disklayout::kProgramCatalogue));
        catalogue.begin();
        place(catalogue, *first, "SET-A", {"Docs/a.txt", "a of monday", kMonday, 0640, 0, kTuesday});
        place(catalogue, *first, "SET-A", {"Docs/a.txt", "a of tuesday", kTuesday, 0644});
        place(catalogue, *first, "SET-A", {"Docs/d.txt", "d of tuesday", kTuesday});
        place(catalogue, *second, "SET-B", {"Docs/b.txt", "b of monday", kMonday});
        place(catalogue, *second, "SET-B", {"Docs/sub/c.bin", std::string(3 << 20, 'c'), kMonday, 04700, 3'999'999});
        place(catalogue, *second, "SET-B", {"Docs/sub/n.txt", "nobody's", kMonday, 0600, 65534});
        for (int i = 0; i < many; ++i)
            place(catalogue, *second, "SET-B",
                  {"Docs/many/f" + std::to_string(i), std::string(4096, static_cast<char>('a' + i % 26)), kMonday});
        catalogue.commit();
        ::chmod((second->root() + source.substr(1) + "/Docs/sub").c_str(), 0700);
        // One disk in the drive at a time: SET-A.
        return second->unmount();
    }

    std::unique_ptr<DiskImage> first, second;
    std::string skipped;
};

TEST_F(RestoreFromDisks, AsOfAPastDateToTheOriginalPlaceWithConflicts)
{
    if (!makeSet()) {
        if (!skipped.empty())
            GTEST_SKIP() << skipped;
        FAIL() << "the disks could not be made";
    }
    writeSource({"Docs/a.txt", "a edited since"});
    writeSource({"Docs/b.txt", "b of monday"});
    struct stat before {};
    ASSERT_EQ(::stat((source + "/Docs/b.txt").c_str(), &before), 0);

    test::PtyProcess restore;
    ASSERT_TRUE(restore.start(command({"--restore", source + "/Docs", "--as-of", "2026-12-07"})));
    ASSERT_TRUE(restore.waitFor("Insert the backup disk \"SET-B\"")) << restore.output();
    ASSERT_TRUE(first->unmount()) << first->error();
    ASSERT_TRUE(insert(*second, "SET-B"));
    restore.type("\n");
    EXPECT_EQ(restore.finish(), 0) << restore.output();

    const std::string docs = source + "/Docs/";
    EXPECT_EQ(read(docs + "a.txt"), "a edited since");
    EXPECT_EQ(read(docs + "a.txt.restored-" + todayText()), "a of monday");
    EXPECT_FALSE(fs::exists(docs + "d.txt")) << "made after the date";
    struct stat status {};
    ASSERT_EQ(::stat((docs + "b.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_ino, before.st_ino) << "the same content is left alone";
    EXPECT_EQ(read(docs + "sub/c.bin"), std::string(3 << 20, 'c'));
    ASSERT_EQ(::stat((docs + "sub/c.bin").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0700U) << "no set-uid bit for an owner that does not exist";
    EXPECT_EQ(status.st_uid, 0U);
    EXPECT_EQ(status.st_mtim.tv_sec, kMondayMtimeNs / 1'000'000'000);
    EXPECT_EQ(status.st_mtim.tv_nsec, kMondayMtimeNs % 1'000'000'000);
    ASSERT_EQ(::stat((docs + "sub/n.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 65534U);
    EXPECT_EQ(status.st_mode & 07777, 0600U);
    ASSERT_EQ(::stat((docs + "sub").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0700U) << "a new folder is as private as on the disk";
    for (const std::string &name : everythingBelow(source))
        EXPECT_EQ(name.find(".quillarc-restoring-"), std::string::npos) << name;
}

TEST_F(RestoreFromDisks, ToAnotherFolderKilledMidwayAndResumed)
{
    constexpr int kMany = 2500;
    if (!makeSet(kMany)) {
        if (!skipped.empty())
            GTEST_SKIP() << skipped;
        FAIL() << "the disks could not be made";
    }
    ASSERT_TRUE(first->unmount()) << first->error();
    ASSERT_TRUE(insert(*second, "SET-B"));
    const std::string out = temp + "/out";
    fs::create_directories(out + "/Docs/many");
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, (out + "/Docs/many").c_str(), IN_MOVED_TO), 0);

    // Killed once its first files are in place.
    auto killed = startPass({"--restore", source + "/Docs", "--to", out});
    char events[4096];
    ASSERT_GT(::read(watch, events, sizeof events), 0);
    ::kill(killed->pid(), SIGKILL);
    killed->wait();
    ::close(watch);
    std::size_t inPlace = 0;
    for (const auto &entry : fs::directory_iterator(out + "/Docs/many")) {
        const std::string name = entry.path().filename();
        if (name.rfind(".quillarc-restoring-", 0) == 0)
            continue;
        ++inPlace;
        EXPECT_EQ(read(entry.path()), std::string(4096, static_cast<char>('a' + std::stoi(name.substr(1)) % 26)))
            << name << " stands whole under its name";
    }
    EXPECT_GT(inPlace, 0U);
    EXPECT_LT(inPlace, static_cast<std::size_t>(kMany)) << "killed midway";

    // Run again without a terminal: SET-B's files finish, SET-A's are named.
    const Ended resumed = runPass({"--restore", source + "/Docs", "--to", out});
    EXPECT_EQ(resumed.status, 1) << resumed.out << resumed.err;
    EXPECT_NE(resumed.out.find("already in place"), std::string::npos) << resumed.out;
    EXPECT_NE(resumed.err.find("needs disk SET-A: 2 files"), std::string::npos) << resumed.err;
    std::size_t files = 0;
    for (const auto &entry : fs::recursive_directory_iterator(out)) {
        EXPECT_EQ(entry.path().filename().string().rfind(".quillarc-restoring-", 0), std::string::npos) << entry.path();
        files += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, static_cast<std::size_t>(kMany) + 3);
    EXPECT_EQ(read(out + "/Docs/b.txt"), "b of monday");
    EXPECT_EQ(read(out + "/Docs/many/f" + std::to_string(kMany - 1)),
              std::string(4096, static_cast<char>('a' + (kMany - 1) % 26)));

    // With SET-A in the drive the rest comes back, the newest copies; what
    // came from SET-B is found in place without it.
    ASSERT_TRUE(second->unmount()) << second->error();
    ASSERT_TRUE(insert(*first, "SET-A"));
    const Ended last = runPass({"--restore", source + "/Docs", "--to", out});
    EXPECT_EQ(last.status, 0) << last.out << last.err;
    EXPECT_EQ(read(out + "/Docs/a.txt"), "a of tuesday");
    EXPECT_EQ(read(out + "/Docs/d.txt"), "d of tuesday");
}

} // namespace
} // namespace quillarc::e2e

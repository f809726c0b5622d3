#include "e2e/support/RealDiskTest.h"

#include <csignal>
#include <filesystem>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace quillarc::e2e {
namespace {

namespace fs = std::filesystem;
using Kind = DiskImage::Kind;

// Catches a running pass between two copies: the folder its copies go to
// is watched, and the pass is stopped (SIGSTOP) as soon as one lands.
class CopyWatch {
public:
    explicit CopyWatch(const std::string &folder)
        : fd(::inotify_init1(IN_CLOEXEC)), watch(::inotify_add_watch(fd, folder.c_str(), IN_MOVED_TO | IN_CREATE))
    {
    }
    ~CopyWatch() { ::close(fd); }
    CopyWatch(const CopyWatch &) = delete;
    CopyWatch &operator=(const CopyWatch &) = delete;

    bool ready() const { return fd >= 0 && watch >= 0; }
    /// Waits for the next copy to land, then stops `pid`.
    bool stopAtNextCopy(pid_t pid) const
    {
        struct pollfd in {
            fd, POLLIN, 0
        };
        if (::poll(&in, 1, 10000) != 1)
            return false;
        ::kill(pid, SIGSTOP);
        char events[4096];
        return ::read(fd, events, sizeof events) > 0;
    }

private:
    int fd;
    int watch;
};

class MountFaults : public RealDiskTest {
protected:
    std::string prepare(int files, std::size_t bytes = 32 * 1024)
    {
        std::string why = prepareDisks(Kind::Ext4);
        if (!why.empty())
            return why;
        for (int i = 0; i < files; ++i)
            paths.push_back(
                writeSource({"f" + std::to_string(1000 + i), std::string(bytes, static_cast<char>('a' + i % 26))}));
        writeList("BACKUP1", {source});
        disk = makeDisk(Kind::Ext4, 16, "BACKUP1");
        return disk ? std::string() : "no ext4 image";
    }
    // Every copy on the disk is whole; none is left half written.
    int expectWholeCopies(const std::string &root) const
    {
        int found = 0;
        for (const std::string &path : paths) {
            if (fs::exists(copyOf(root, path))) {
                expectSameFile(path, copyOf(root, path), Keeps::Everything);
                ++found;
            }
        }
        for (const std::string &name : everythingBelow(root))
            // Temporary copies live only in the disk's own folder, and a
            // completed pass leaves none there either.
            EXPECT_TRUE(name.find(".quillarc-part-") == std::string::npos && name.rfind(".quillarc/part/", 0) != 0)
                << name;
        return found;
    }
    int filesOnDisk() const { return static_cast<int>(paths.size()); }

    std::vector<std::string> paths;
    std::unique_ptr<DiskImage> disk;
};

// The disk is unmounted lazily while the pass copies onto it. Whatever the
// pass does next, it writes nothing onto the computer's own folder that
// the disk was mounted on, and what it claims is on the disk.
TEST_F(MountFaults, ADiskUnmountedLazilyMidPass)
{
    if (const std::string why = prepare(300); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_TRUE(insert(*disk, "BACKUP1"));
    const std::string mountPoint = disk->folder();
    fs::create_directories(copyOf(disk->root(), source));
    const CopyWatch watch(copyOf(disk->root(), source));
    ASSERT_TRUE(watch.ready());

    auto pass = startPass();
    ASSERT_TRUE(watch.stopAtNextCopy(pass->pid()));
    ASSERT_TRUE(disk->unmountLazily()) << disk->error();
    ::kill(pass->pid(), SIGCONT);
    const int status = pass->wait();

    EXPECT_EQ(everythingBelow(mountPoint), std::vector<std::string> {}) << "written beneath the unmounted disk";
    ASSERT_TRUE(disk->mount(temp + "/check", true)) << disk->error();
    const int copies = expectWholeCopies(disk->root());
    EXPECT_GT(copies, 0);
    EXPECT_NE(log().find("label \"BACKUP1\""), std::string::npos) << log();
    if (status == 0) {
        EXPECT_EQ(copies, filesOnDisk()) << "a complete pass put every file on the disk";
        EXPECT_TRUE(cutOffMoved("BACKUP1"));
    } else {
        EXPECT_EQ(status, 1) << pass->out() << pass->err();
        EXPECT_NE(pass->out().find("Error Writing to Disk...  "), std::string::npos) << pass->out() << pass->err();
    }
}

// A disk carrying "tmp -> <elsewhere>" where the copies' first folder goes
// cannot lead them out of the disk.
TEST_F(MountFaults, ALinkOnTheDiskLeadingOutIsNeverFollowed)
{
    if (const std::string why = prepare(3); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(source.rfind("/tmp/", 0), 0u) << "the copies' first folder is tmp";
    ASSERT_TRUE(insert(*disk, "BACKUP1"));
    const std::string elsewhere = temp + "/elsewhere";
    fs::create_directories(elsewhere);
    fs::create_symlink(elsewhere, disk->root() + "tmp");

    const Ended pass = runPass();
    EXPECT_EQ(everythingBelow(elsewhere), std::vector<std::string> {}) << "written through the link";
    const int copies = expectWholeCopies(disk->root());
    if (pass.status == 0) {
        EXPECT_EQ(copies, filesOnDisk());
    } else {
        EXPECT_EQ(pass.status, 1) << pass.out << pass.err;
        EXPECT_NE(pass.err.find("missed: "), std::string::npos) << "the file it stopped at is named\n" << pass.err;
        EXPECT_NE(log().find("  missed "), std::string::npos) << log();
    }
}

// A disk mounted read-only takes nothing; the pass says so, and the next
// pass on a writable disk copies everything.
TEST_F(MountFaults, AReadOnlyDiskBeforeThePass)
{
    if (const std::string why = prepare(3); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_TRUE(insert(*disk, "BACKUP1", true));
    const Ended pass = runPass();
    EXPECT_EQ(pass.status, 1) << pass.out << pass.err;
    EXPECT_EQ(pass.out.rfind("Error Writing to Disk...  0 Files Found and Backed Up\n", 0), 0u) << pass.out;
    EXPECT_NE(pass.err.find("Read-only file system"), std::string::npos) << pass.err;
    EXPECT_NE(log().find("label \"BACKUP1\""), std::string::npos) << log();
    EXPECT_EQ(everythingBelow(disk->root()), std::vector<std::string> {"lost+found"});

    ASSERT_TRUE(disk->unmount());
    ASSERT_TRUE(insert(*disk, "BACKUP1"));
    const Ended next = runPass();
    EXPECT_EQ(next.status, 0) << next.out << next.err;
    EXPECT_EQ(expectWholeCopies(disk->root()), filesOnDisk());
}

// The disk turns read-only between two copies. The pass ends with a write
// error, leaves every copy it made whole, and keeps the cut-off where the
// next pass copies the rest.
TEST_F(MountFaults, ADiskRemountedReadOnlyMidPass)
{
    // Many small files: on a busy machine the remount may take a good many
    // tries, and the pass must not run out of files before one works.
    if (const std::string why = prepare(1500, 2048); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_TRUE(insert(*disk, "BACKUP1"));
    fs::create_directories(copyOf(disk->root(), source));
    const CopyWatch watch(copyOf(disk->root(), source));
    ASSERT_TRUE(watch.ready());

    auto pass = startPass();
    // Caught between two copies; the disk goes read-only there even with
    // copies in flight open for writing (see DiskImage::remountReadOnly).
    bool readOnly = false;
    for (int attempt = 0; attempt < 200 && !readOnly; ++attempt) {
        ASSERT_TRUE(watch.stopAtNextCopy(pass->pid())) << "the pass ended before it could be caught";
        readOnly = disk->remountReadOnly();
        if (!readOnly)
            ::kill(pass->pid(), SIGCONT);
    }
    ASSERT_TRUE(readOnly) << disk->error();
    ::kill(pass->pid(), SIGCONT);
    EXPECT_EQ(pass->wait(), 1) << pass->out() << pass->err();
    EXPECT_NE(pass->out().find("Error Writing to Disk...  "), std::string::npos) << pass->out();
    EXPECT_NE(pass->err().find("Read-only file system"), std::string::npos) << pass->err();
    EXPECT_NE(log().find("label \"BACKUP1\""), std::string::npos) << log();
    const int copies = expectWholeCopies(disk->root());
    EXPECT_GT(copies, 0);
    EXPECT_LT(copies, filesOnDisk());

    ASSERT_TRUE(disk->unmount());
    ASSERT_TRUE(insert(*disk, "BACKUP1"));
    const Ended next = runPass();
    EXPECT_EQ(next.status, 0) << next.out << next.err;
    EXPECT_EQ(expectWholeCopies(disk->root()), filesOnDisk()) << "the next pass copied the rest";
}

} // namespace
} // namespace quillarc::e2e

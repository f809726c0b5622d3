#include "e2e/support/RealDiskTest.h"
#include "e2e/support/SessionBus.h"
#include "e2e/support/Shell.h"

#include <csignal>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace quillarc::e2e {
namespace {

namespace fs = std::filesystem;
using Kind = DiskImage::Kind;
using std::chrono::seconds;

// quillarc-pass --watch on real disks in a private mount namespace, with a
// private session bus and a notification server that records what it is
// told.
class WatchedPass : public RealDiskTest {
protected:
    std::string prepare()
    {
        if (std::string why = prepareDisks(Kind::Ext4); !why.empty())
            return why;
        // The passes reach only the test's own bus, never the desktop's.
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        bus = std::make_unique<SessionBus>(temp);
        return bus->error();
    }
    // A disk with a list of the source folder, its passes started by a mount
    // when `optedIn`. Set up as a person would: the list exists, then
    // --auto on with the disk in the drive.
    std::unique_ptr<DiskImage> knownDisk(const std::string &label, bool optedIn, int mebibytes = 16)
    {
        auto disk = makeDisk(Kind::Ext4, mebibytes, label);
        if (!disk)
            return nullptr;
        writeList(label, {source});
        if (optedIn) {
            EXPECT_TRUE(insert(*disk, label));
            const Ended set = runPass({"--auto", "on"});
            EXPECT_EQ(set.status, 0) << set.out << set.err;
            EXPECT_TRUE(disk->unmount());
        }
        return disk;
    }
    std::unique_ptr<PassProcess> startWatcher()
    {
        return std::make_unique<PassProcess>(command({"--watch"}), temp + "/watch" + std::to_string(++watchers),
                                             std::vector<std::string> {bus->environment()});
    }
    std::string summary(std::size_t i) const { return SessionBus::field(bus->notices().at(i), "summary"); }
    std::string body(std::size_t i) const { return SessionBus::field(bus->notices().at(i), "body"); }
    // Gives the watcher time to see a change of the mount table it must
    // not act on (a pass would have notified by then).
    void settle() const { std::this_thread::sleep_for(seconds(2)); }

    std::unique_ptr<SessionBus> bus;
    int watchers = 0;
};

TEST_F(WatchedPass, AnOptedInDiskGetsOnePassEachTimeItIsMountedAndOthersNone)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    const std::string a = writeSource({"a.txt", "alpha"});
    writeSource({"sub/b.txt", "beta"});
    auto disk = knownDisk("WATCH1", true);
    auto other = knownDisk("OTHER1", false);
    ASSERT_TRUE(disk && other);
    const std::string otherList = read(program + "OTHER1.ini");

    // xdg-open as the desktop would run it, noting what it was asked to open.
    const std::string opened = temp + "/opened";
    fs::create_directories(temp + "/bin");
    std::ofstream(temp + "/bin/xdg-open") << "#!/bin/sh\necho \"$1\" >> " + quoted(opened) + "\n";
    fs::permissions(temp + "/bin/xdg-open", fs::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    ::setenv("PATH", (temp + "/bin:" + path).c_str(), 1);
    auto watcher = startWatcher();
    ::setenv("PATH", path.c_str(), 1);
    settle();
    EXPECT_TRUE(bus->notices().empty());
    ASSERT_TRUE(insert(*disk, "WATCH1"));
    ASSERT_TRUE(bus->waitForNotices(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto WATCH1: complete");
    EXPECT_EQ(
        body(0).rfind("2 files copied, 0 files missed.\nPass log: <a href=\"file://" + program + "quillarc.log\">", 0),
        0u)
        << body(0);
    expectSameFile(a, copyOf(disk->root(), a), Keeps::Everything);
    EXPECT_TRUE(cutOffMoved("WATCH1"));

    // The notice's action opens the pass log with the desktop's opener.
    EXPECT_NE(bus->notices().at(0).find("\"actions\": [\"open-log\", \"Open the pass log\"]"), std::string::npos)
        << bus->notices().at(0);
    bus->invoke(1, "open-log");
    EXPECT_TRUE(waitUntil([&] { return read(opened) == program + "quillarc.log\n"; }, seconds(20)))
        << read(opened) << watcher->err();

    // A disk not opted in: no pass, nothing written to it or its list.
    ASSERT_TRUE(insert(*other, "OTHER1"));
    settle();
    EXPECT_EQ(bus->notices().size(), 1u);
    EXPECT_EQ(everythingBelow(other->root()), std::vector<std::string> {"lost+found"});
    EXPECT_EQ(read(program + "OTHER1.ini"), otherList);
    EXPECT_FALSE(fs::exists(program + "OTHER1.auto"));

    // Out and in again: one more pass, which copies what changed.
    const std::string c = writeSource({"c.txt", "gamma"});
    ASSERT_TRUE(disk->unmount());
    settle();
    EXPECT_EQ(bus->notices().size(), 1u);
    ASSERT_TRUE(insert(*disk, "WATCH1"));
    ASSERT_TRUE(bus->waitForNotices(2)) << watcher->err();
    EXPECT_EQ(summary(1), "Backup onto WATCH1: complete");
    EXPECT_EQ(body(1).rfind("1 file copied, 0 files missed.", 0), 0u) << body(1);
    expectSameFile(c, copyOf(disk->root(), c), Keeps::Everything);
    settle();
    EXPECT_EQ(bus->notices().size(), 2u) << "one pass per arrival";

    ::kill(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
}

TEST_F(WatchedPass, DisksMountedAtStartAndTwoMountedTogetherArePassedOneAfterTheOther)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    const std::string a = writeSource({"a.txt", "alpha"});
    auto first = knownDisk("EARLY1", true);
    auto second = knownDisk("PAIR1", true);
    auto third = knownDisk("PAIR2", true);
    ASSERT_TRUE(first && second && third);
    ASSERT_TRUE(insert(*first, "EARLY1"));

    auto watcher = startWatcher();
    ASSERT_TRUE(bus->waitForNotices(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto EARLY1: complete");

    ASSERT_TRUE(sh("mkdir -p " + quoted(automount + "PAIR1") + " " + quoted(automount + "PAIR2") +
                   " && mount -o loop " + quoted(temp + "/PAIR1.img") + " " + quoted(automount + "PAIR1") +
                   " && mount -o loop " + quoted(temp + "/PAIR2.img") + " " + quoted(automount + "PAIR2")));
    ASSERT_TRUE(bus->waitForNotices(3)) << watcher->err();
    std::vector<std::string> summaries {summary(1), summary(2)};
    std::sort(summaries.begin(), summaries.end());
    EXPECT_EQ(summaries, (std::vector<std::string> {"Backup onto PAIR1: complete", "Backup onto PAIR2: complete"}));
    for (const std::string &root : {automount + "PAIR1", automount + "PAIR2"})
        expectSameFile(a, copyOf(root, a), Keeps::Everything);
    EXPECT_NE(log().find("label \"PAIR1\""), std::string::npos) << log();
    EXPECT_NE(log().find("label \"PAIR2\""), std::string::npos) << log();
    sh("umount " + quoted(automount + "PAIR1") + " " + quoted(automount + "PAIR2"));
    ::kill(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
}

// Catches the watcher's pass between two copies: the folder its copies go
// to is watched, and the watcher is stopped (SIGSTOP) as soon as one lands.
bool stopAtFirstCopy(const std::string &folder, pid_t pid)
{
    const int fd = ::inotify_init1(IN_CLOEXEC);
    // A copy takes its name by a rename, or by a link of an unnamed file.
    if (fd < 0 || ::inotify_add_watch(fd, folder.c_str(), IN_MOVED_TO | IN_CREATE) < 0)
        return false;
    struct pollfd in {
        fd, POLLIN, 0
    };
    const bool caught = ::poll(&in, 1, 20000) == 1;
    if (caught)
        ::kill(pid, SIGSTOP);
    ::close(fd);
    return caught;
}

TEST_F(WatchedPass, StoppingTheWatcherMidPassAbortsItCleanlyAndKillingItBlocksNothing)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    std::vector<std::string> paths;
    for (int i = 0; i < 300; ++i)
        paths.push_back(writeSource({"f" + std::to_string(1000 + i), std::string(32 * 1024, 'a' + i % 26)}));
    auto disk = knownDisk("HALT1", true, 64);
    ASSERT_TRUE(disk);
    ASSERT_TRUE(insert(*disk, "HALT1"));
    fs::create_directories(copyOf(disk->root(), source));

    // SIGTERM mid-pass: the pass ends as ABORT does, the desktop is told,
    // the watcher ends with 0.
    auto watcher = startWatcher();
    ASSERT_TRUE(stopAtFirstCopy(copyOf(disk->root(), source), watcher->pid())) << watcher->err();
    ::kill(watcher->pid(), SIGTERM);
    ::kill(watcher->pid(), SIGCONT);
    EXPECT_EQ(watcher->wait(seconds(20)), 0) << watcher->err();
    ASSERT_TRUE(bus->waitForNotices(1));
    EXPECT_EQ(summary(0), "Backup onto HALT1: aborted");

    // SIGKILL mid-pass leaves nothing behind that keeps the next watcher
    // from passing onto the disk, which is still mounted, at its start.
    auto killed = startWatcher();
    ASSERT_TRUE(stopAtFirstCopy(copyOf(disk->root(), source), killed->pid())) << killed->err();
    ::kill(killed->pid(), SIGKILL);
    EXPECT_EQ(killed->wait(), -1);

    auto next = startWatcher();
    ASSERT_TRUE(bus->waitForNotices(2)) << next->err();
    EXPECT_EQ(summary(1), "Backup onto HALT1: complete") << body(1) << next->err();
    for (const std::string &path : paths)
        expectSameFile(path, copyOf(disk->root(), path), Keeps::Everything);
    for (const std::string &name : everythingBelow(disk->root()))
        // Temporary copies live only in the disk's own folder, and a
        // completed pass leaves none there either.
        EXPECT_TRUE(name.find(".quillarc-part-") == std::string::npos && name.rfind(".quillarc/part/", 0) != 0) << name;
    ::kill(next->pid(), SIGTERM);
    EXPECT_EQ(next->wait(), 0) << next->err();
}

TEST_F(WatchedPass, AFullDiskEndsAsCancelAndAReadOnlyDiskIsToldOnceNeverRetried)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    writeSource({"small.txt", "fits"});
    auto full = knownDisk("FULL1", true, 16);
    auto locked = knownDisk("LOCKED1", true, 16);
    ASSERT_TRUE(full && locked);
    // A second item that does not fit in what is left once the first is on.
    const std::string big = temp + "/zbig"; // after the source in list order
    fs::create_directories(big);
    for (int i = 0; i < 4; ++i)
        sh("head -c 5M /dev/urandom > " + quoted(big + "/b" + std::to_string(i)));
    writeList("FULL1", {source, big});

    auto watcher = startWatcher();
    ASSERT_TRUE(insert(*full, "FULL1"));
    ASSERT_TRUE(bus->waitForNotices(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto FULL1: disk full");
    EXPECT_NE(body(0).find("a fresh disk with a volume label of its own is needed"), std::string::npos) << body(0);
    EXPECT_TRUE(fs::exists(copyOf(full->root(), source + "/small.txt"))) << "what was copied is kept";
    EXPECT_EQ(read(program + "FULL1.ini").find(source + "\r\n0/0/0 0:00"), std::string::npos)
        << "the list was saved for what was copied: " << read(program + "FULL1.ini");

    ASSERT_TRUE(insert(*locked, "LOCKED1", true));
    ASSERT_TRUE(bus->waitForNotices(2)) << watcher->err();
    EXPECT_EQ(summary(1), "Backup onto LOCKED1: ended by a write error");
    EXPECT_NE(body(1).find("Read-only file system"), std::string::npos) << body(1);
    // Other changes of the mount table bring no second try.
    sh("mkdir -p " + quoted(temp + "/scratch") + " && mount -t tmpfs scratch " + quoted(temp + "/scratch") +
       " && umount " + quoted(temp + "/scratch"));
    settle();
    EXPECT_EQ(bus->notices().size(), 2u);
    ::kill(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
}

// Something else takes the disk's room in the middle of a watched pass: the
// pass ends, keeping every whole copy, and the desktop is told why. A disk
// that is opted in but whose list is gone is told once.
TEST_F(WatchedPass, ADiskFilledByAnotherWriterMidPassIsToldOnce)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    std::vector<std::string> paths;
    for (int i = 0; i < 200; ++i)
        paths.push_back(writeSource({"f" + std::to_string(1000 + i), std::string(32 * 1024, 'a' + i % 26)}));
    auto disk = knownDisk("FILLS1", true);
    auto orphan = knownDisk("ORPHAN1", true);
    ASSERT_TRUE(disk && orphan);
    fs::remove(program + "ORPHAN1.ini");
    ASSERT_TRUE(insert(*disk, "FILLS1"));
    fs::create_directories(copyOf(disk->root(), source));

    auto watcher = startWatcher();
    ASSERT_TRUE(stopAtFirstCopy(copyOf(disk->root(), source), watcher->pid())) << watcher->err();
    sh("dd if=/dev/zero of=" + quoted(disk->root() + "filler") + " bs=64k 2>/dev/null");
    ::kill(watcher->pid(), SIGCONT);
    ASSERT_TRUE(bus->waitForNotices(1)) << watcher->err();
    // Taken by another writer, the room shows only as a failed write, which
    // ends the pass as a write error does; the notice names the cause.
    EXPECT_EQ(summary(0), "Backup onto FILLS1: ended by a write error") << body(0) << watcher->err();
    EXPECT_NE(body(0).find(": could not be written to the backup disk: No space left on device"), std::string::npos)
        << body(0);
    EXPECT_NE(read(program + "FILLS1.ini").find(source + "\r\n0/0/0 0:00"), std::string::npos)
        << "the item in hand keeps its cut-off, so the next pass copies the rest";
    int copies = 0;
    for (const std::string &path : paths)
        if (fs::exists(copyOf(disk->root(), path))) {
            expectSameFile(path, copyOf(disk->root(), path), Keeps::Everything);
            ++copies;
        }
    EXPECT_GT(copies, 0);
    EXPECT_LT(copies, static_cast<int>(paths.size()));
    for (const std::string &name : everythingBelow(disk->root()))
        // Temporary copies live only in the disk's own folder, and a
        // completed pass leaves none there either.
        EXPECT_TRUE(name.find(".quillarc-part-") == std::string::npos && name.rfind(".quillarc/part/", 0) != 0) << name;

    ASSERT_TRUE(insert(*orphan, "ORPHAN1"));
    ASSERT_TRUE(bus->waitForNotices(2)) << watcher->err();
    EXPECT_EQ(summary(1), "Backup onto ORPHAN1 not started");
    EXPECT_EQ(body(1), "UNKNOWN DISK - ADD FILES OR FOLDERS");
    settle();
    EXPECT_EQ(bus->notices().size(), 2u);
    EXPECT_FALSE(fs::exists(program + "ORPHAN1.ini"));
    ::kill(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
}

// quillarc-pass run once without a terminal, as the timer runs it: the
// desktop is told, with the log as a link (nobody stays to hear a click);
// with no notification server, or no bus at all, the pass is the same.
TEST_F(WatchedPass, AOneShotRunWithoutATerminalIsToldAndNeedsNoServer)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    writeSource({"a.txt", "alpha"});
    auto disk = knownDisk("ONCE1", false);
    ASSERT_TRUE(disk);
    ASSERT_TRUE(insert(*disk, "ONCE1"));

    auto told = std::make_unique<PassProcess>(command(), temp + "/told", std::vector<std::string> {bus->environment()});
    EXPECT_EQ(told->wait(), 0) << told->err();
    ASSERT_TRUE(bus->waitForNotices(1));
    EXPECT_EQ(summary(0), "Backup onto ONCE1: complete");
    EXPECT_NE(bus->notices().at(0).find("\"actions\": []"), std::string::npos) << bus->notices().at(0);
    EXPECT_NE(body(0).find("<a href=\"file://" + program + "quillarc.log\">"), std::string::npos) << body(0);

    // A bus of its own with no notification server on it.
    std::string started;
    ASSERT_TRUE(sh("dbus-daemon --session --fork --print-address=1 --print-pid=1", &started));
    const std::string emptyBus = started.substr(0, started.find('\n'));
    const int emptyBusPid = std::stoi(started.substr(started.find('\n') + 1));
    for (const std::string &address : {emptyBus, "unix:path=" + temp + "/no-bus-here", std::string()}) {
        writeSource({"b" + std::to_string(address.size()) + ".txt", "beta"});
        const auto began = std::chrono::steady_clock::now();
        auto alone = std::make_unique<PassProcess>(
            command(), temp + "/alone",
            std::vector<std::string> {"DBUS_SESSION_BUS_ADDRESS=" + address, "XDG_RUNTIME_DIR=" + temp});
        EXPECT_EQ(alone->wait(), 0) << alone->err();
        EXPECT_LT(std::chrono::steady_clock::now() - began, seconds(15));
        EXPECT_EQ(alone->out().rfind("Complete...  1 Files Found and Backed Up", 0), 0u) << alone->out();
    }
    ::kill(emptyBusPid, SIGTERM);
    EXPECT_EQ(bus->notices().size(), 1u);
}

} // namespace
} // namespace quillarc::e2e

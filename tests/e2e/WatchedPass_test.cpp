#include "e2e/support/RealDiskTest.h"
#include "e2e/support/SessionBus.h"
#include "e2e/support/Shell.h"
#include "base/UniqueFd.h"
#include "platform/RestoreHold.h"

#include <csignal>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace quillarc::e2e {
namespace {

namespace fs = std::filesystem;
using Kind = DiskImage::Kind;
using std::chrono::seconds;

// Signals one process this test started; never a pid that failed to
// start (kill(-1, ...) would reach every process on the machine).
void signalChild(pid_t pid, int signal)
{
    ASSERT_GT(pid, 0) << "the process did not start";
    if (pid > 0)
        ::kill(pid, signal);
}

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
    // The notices of passes' ends, in order (a watched pass also tells when
    // it starts: "Backing up onto LABEL").
    std::vector<std::string> ends() const
    {
        std::vector<std::string> found = bus->notices();
        std::erase_if(found, [](const std::string &notice) {
            return SessionBus::field(notice, "summary").rfind("Backup onto ", 0) != 0;
        });
        return found;
    }
    std::vector<std::string> starts() const
    {
        std::vector<std::string> found = bus->notices();
        std::erase_if(found, [](const std::string &notice) {
            return SessionBus::field(notice, "summary").rfind("Backing up onto ", 0) != 0;
        });
        return found;
    }
    bool waitForEnds(std::size_t count) const
    {
        return waitUntil([&] { return ends().size() >= count; }, seconds(30));
    }
    std::string summary(std::size_t i) const { return SessionBus::field(ends().at(i), "summary"); }
    std::string body(std::size_t i) const { return SessionBus::field(ends().at(i), "body"); }
    // The number the server gave a recorded notice.
    static int idOf(const std::string &notice)
    {
        const std::size_t at = notice.find("\"id\": ");
        return at == std::string::npos ? -1 : std::atoi(notice.c_str() + at + 6);
    }
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
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto WATCH1: complete");
    EXPECT_EQ(
        body(0).rfind("2 files copied, 0 files missed.\nPass log: <a href=\"file://" + program + "quillarc.log\">", 0),
        0u)
        << body(0);
    expectSameFile(a, copyOf(disk->root(), a), Keeps::Everything);
    EXPECT_TRUE(cutOffMoved("WATCH1"));

    // The notice's action opens the pass log with the desktop's opener.
    EXPECT_NE(ends().at(0).find("\"actions\": [\"open-log\", \"Open the pass log\"]"), std::string::npos)
        << ends().at(0);
    bus->invoke(idOf(ends().at(0)), "open-log");
    EXPECT_TRUE(waitUntil([&] { return read(opened) == program + "quillarc.log\n"; }, seconds(20)))
        << read(opened) << watcher->err();

    // A disk not opted in: no pass, nothing written to it or its list. The
    // watcher says it left the disk alone once it has looked at it.
    ASSERT_TRUE(insert(*other, "OTHER1"));
    const auto passedOver = [&] {
        const std::string err = watcher->err();
        const std::size_t line = err.find("OTHER1 mounted at ");
        return line != std::string::npos &&
               err.substr(line, err.find('\n', line) - line).ends_with(": not set to be backed up when mounted.");
    };
    ASSERT_TRUE(waitUntil(passedOver, seconds(30))) << watcher->err();
    EXPECT_EQ(ends().size(), 1u);
    EXPECT_EQ(everythingBelow(other->root()), std::vector<std::string> {"lost+found"});
    EXPECT_EQ(read(program + "OTHER1.ini"), otherList);
    EXPECT_FALSE(fs::exists(program + "OTHER1.auto"));

    // Out and in again: one more pass, which copies what changed.
    const std::string c = writeSource({"c.txt", "gamma"});
    ASSERT_TRUE(disk->unmount());
    settle();
    EXPECT_EQ(ends().size(), 1u);
    ASSERT_TRUE(insert(*disk, "WATCH1"));
    ASSERT_TRUE(waitForEnds(2)) << watcher->err();
    EXPECT_EQ(summary(1), "Backup onto WATCH1: complete");
    EXPECT_EQ(body(1).rfind("1 file copied, 0 files missed.", 0), 0u) << body(1);
    expectSameFile(c, copyOf(disk->root(), c), Keeps::Everything);
    settle();
    EXPECT_EQ(ends().size(), 2u) << "one pass per arrival";

    signalChild(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
}

// A person who overwrote a file by mistake plugs the disk in to get the
// good copy back, with the disk opted in: the pass on mount carries the
// damaged file onto the disk, and the good copy stands among its versions.
TEST_F(WatchedPass, TheGoodCopyOutlivesAPassStartedByPluggingTheDiskInToGetItBack)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    const std::string report = writeSource({"report.txt", "the good text"});
    auto disk = knownDisk("WATCH1", true);
    ASSERT_TRUE(disk);
    auto watcher = startWatcher();
    ASSERT_TRUE(insert(*disk, "WATCH1"));
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
    ASSERT_EQ(read(copyOf(disk->root(), report)), "the good text");
    ASSERT_TRUE(disk->unmount());

    writeSource({"report.txt", "damaged by mistake"});
    ASSERT_TRUE(insert(*disk, "WATCH1"));
    ASSERT_TRUE(waitForEnds(2)) << watcher->err();
    EXPECT_EQ(read(copyOf(disk->root(), report)), "damaged by mistake");
    std::vector<std::string> kept;
    for (const std::string &name : everythingBelow(disk->root()))
        if (name.rfind(".quillarc/versions/", 0) == 0 && name.size() > report.size() &&
            name.compare(name.size() - report.size(), report.size(), report) == 0)
            kept.push_back(name);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(read(disk->root() + kept[0]), "the good text");

    signalChild(watcher->pid(), SIGTERM);
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
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto EARLY1: complete");

    ASSERT_TRUE(sh("mkdir -p " + quoted(automount + "PAIR1") + " " + quoted(automount + "PAIR2") +
                   " && mount -o loop " + quoted(temp + "/PAIR1.img") + " " + quoted(automount + "PAIR1") +
                   " && mount -o loop " + quoted(temp + "/PAIR2.img") + " " + quoted(automount + "PAIR2")));
    ASSERT_TRUE(waitForEnds(3)) << watcher->err();
    std::vector<std::string> summaries {summary(1), summary(2)};
    std::sort(summaries.begin(), summaries.end());
    EXPECT_EQ(summaries, (std::vector<std::string> {"Backup onto PAIR1: complete", "Backup onto PAIR2: complete"}));
    for (const std::string &root : {automount + "PAIR1", automount + "PAIR2"})
        expectSameFile(a, copyOf(root, a), Keeps::Everything);
    EXPECT_NE(log().find("label \"PAIR1\""), std::string::npos) << log();
    EXPECT_NE(log().find("label \"PAIR2\""), std::string::npos) << log();
    sh("umount " + quoted(automount + "PAIR1") + " " + quoted(automount + "PAIR2"));
    signalChild(watcher->pid(), SIGTERM);
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
    if (caught && pid > 0)
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
    signalChild(watcher->pid(), SIGTERM);
    signalChild(watcher->pid(), SIGCONT);
    EXPECT_EQ(watcher->wait(seconds(20)), 0) << watcher->err();
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(summary(0), "Backup onto HALT1: aborted");

    // SIGKILL mid-pass leaves nothing behind that keeps the next watcher
    // from passing onto the disk, which is still mounted, at its start.
    auto killed = startWatcher();
    ASSERT_TRUE(stopAtFirstCopy(copyOf(disk->root(), source), killed->pid())) << killed->err();
    signalChild(killed->pid(), SIGKILL);
    EXPECT_EQ(killed->wait(), -1);

    auto next = startWatcher();
    ASSERT_TRUE(waitForEnds(2)) << next->err();
    EXPECT_EQ(summary(1), "Backup onto HALT1: complete") << body(1) << next->err();
    for (const std::string &path : paths)
        expectSameFile(path, copyOf(disk->root(), path), Keeps::Everything);
    for (const std::string &name : everythingBelow(disk->root()))
        // Temporary copies live only in the disk's own folder, and a
        // completed pass leaves none there either.
        EXPECT_TRUE(name.find(".quillarc-part-") == std::string::npos && name.rfind(".quillarc/part/", 0) != 0) << name;
    signalChild(next->pid(), SIGTERM);
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
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto FULL1: disk full");
    EXPECT_NE(body(0).find("a fresh disk with a volume label of its own is needed"), std::string::npos) << body(0);
    EXPECT_TRUE(fs::exists(copyOf(full->root(), source + "/small.txt"))) << "what was copied is kept";
    EXPECT_EQ(read(program + "FULL1.ini").find(source + "\r\n0/0/0 0:00"), std::string::npos)
        << "the list was saved for what was copied: " << read(program + "FULL1.ini");

    ASSERT_TRUE(insert(*locked, "LOCKED1", true));
    ASSERT_TRUE(waitForEnds(2)) << watcher->err();
    EXPECT_EQ(summary(1), "Backup onto LOCKED1: ended by a write error");
    EXPECT_NE(body(1).find("Read-only file system"), std::string::npos) << body(1);
    // Other changes of the mount table bring no second try.
    sh("mkdir -p " + quoted(temp + "/scratch") + " && mount -t tmpfs scratch " + quoted(temp + "/scratch") +
       " && umount " + quoted(temp + "/scratch"));
    settle();
    EXPECT_EQ(ends().size(), 2u);
    signalChild(watcher->pid(), SIGTERM);
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
    signalChild(watcher->pid(), SIGCONT);
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
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
    ASSERT_TRUE(waitForEnds(2)) << watcher->err();
    EXPECT_EQ(summary(1), "Backup onto ORPHAN1 not started");
    EXPECT_EQ(body(1), "UNKNOWN DISK - ADD FILES OR FOLDERS");
    settle();
    EXPECT_EQ(ends().size(), 2u);
    EXPECT_FALSE(fs::exists(program + "ORPHAN1.ini"));
    signalChild(watcher->pid(), SIGTERM);
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
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(summary(0), "Backup onto ONCE1: complete");
    EXPECT_NE(ends().at(0).find("\"actions\": []"), std::string::npos) << ends().at(0);
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
    if (emptyBusPid > 0)
        ::kill(emptyBusPid, SIGTERM);
    EXPECT_EQ(ends().size(), 1u);
}

// A FUSE file system whose server stopped answering (as a dead network
// share does) blocks every process that looks inside it. The watch never
// looks there in a way that holds it: a disk mounted meanwhile gets its
// pass, and SIGTERM ends the watch at once.
TEST_F(WatchedPass, AMountWhoseServerStoppedAnsweringHoldsUpNeitherTheNextDiskNorTheEnd)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    if (!sh("test -x /usr/bin/fusefat && test -e /dev/fuse"))
        GTEST_SKIP() << "fusefat and /dev/fuse are needed for a FUSE mount";
    const std::string a = writeSource({"a.txt", "alpha"});
    auto disk = knownDisk("LIVE1", true);
    ASSERT_TRUE(disk);
    const std::string image = temp + "/dead.img";
    const std::string dead = temp + "/dead";
    ASSERT_TRUE(sh("mkfs.vfat -C " + quoted(image) + " 1024 >/dev/null && mkdir -p " + quoted(dead)));
    PassProcess server({"/usr/bin/fusefat", "-f", "-o", "rw+", image, dead}, temp + "/fusefat");
    struct Revive {
        const std::string &dead;
        PassProcess &server;
        ~Revive()
        {
            // Answering again first: umount looks at the mount point.
            if (server.pid() > 0)
                ::kill(server.pid(), SIGCONT);
            sh("umount -l " + quoted(dead) + " 2>/dev/null");
            if (server.pid() > 0)
                ::kill(server.pid(), SIGTERM);
        }
    } revive {dead, server};
    ASSERT_GT(server.pid(), 0) << "fusefat did not start";
    ASSERT_TRUE(waitUntil([&] { return read("/proc/self/mountinfo").find(" " + dead + " ") != std::string::npos; },
                          seconds(20)))
        << server.err();
    signalChild(server.pid(), SIGSTOP);

    auto watcher = startWatcher();
    ASSERT_TRUE(insert(*disk, "LIVE1"));
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto LIVE1: complete");
    expectSameFile(a, copyOf(disk->root(), a), Keeps::Everything);
    const auto asked = std::chrono::steady_clock::now();
    signalChild(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(seconds(20)), 0) << watcher->err();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, seconds(3));
}

// udev publishes a disk's label a moment after its mount shows (here: a
// label file written after the mount); no other mount comes to make the
// watch look again.
TEST_F(WatchedPass, ALabelThatComesAMomentAfterTheMountStillStartsThePass)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    const std::string a = writeSource({"a.txt", "alpha"});
    writeList("LATE1", {source});
    const Ended set = runPass({"--auto", "on", "--label", "LATE1"});
    ASSERT_EQ(set.status, 0) << set.out << set.err;

    auto watcher = startWatcher();
    const std::string root = automount + "LATE1";
    ASSERT_TRUE(sh("mkdir -p " + quoted(root) + " && mount -t tmpfs -o size=8m late " + quoted(root)));
    std::this_thread::sleep_for(std::chrono::milliseconds(700)); // udev's delay, not a wait for an event
    std::ofstream(root + "/.quillarc-label") << "LATE1\n";
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto LATE1: complete") << body(0);
    expectSameFile(a, copyOf(root + "/", a), Keeps::Everything);
    signalChild(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
    sh("umount " + quoted(root));
}

// A disk mounted while another pass holds the lock is refused, and passed
// onto as soon as that pass ends; a second watch of the same program
// folder says so and ends, changing nothing.
TEST_F(WatchedPass, ADiskRefusedWhileAnotherPassRanIsPassedWhenItEndsAndASecondWatchEnds)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    const std::string a = writeSource({"a.txt", "alpha"});
    auto disk = knownDisk("WAITS1", true);
    ASSERT_TRUE(disk);
    auto watcher = startWatcher();
    ASSERT_TRUE(waitUntil([&] { return watcher->err().find("waiting for disks") != std::string::npos; }, seconds(20)))
        << watcher->err();

    auto second = startWatcher();
    EXPECT_EQ(second->wait(seconds(10)), 2) << second->err();
    EXPECT_NE(second->err().find("a mount watch already runs for the program folder"), std::string::npos)
        << second->err();

    UniqueFd held(::open(program.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(held.valid());
    ASSERT_EQ(::flock(held.get(), LOCK_EX), 0); // as another pass holds it
    ASSERT_TRUE(insert(*disk, "WAITS1"));
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto WAITS1 not started");
    EXPECT_FALSE(fs::exists(copyOf(disk->root(), a)));
    held.reset();
    ASSERT_TRUE(waitForEnds(2)) << watcher->err();
    EXPECT_EQ(summary(1), "Backup onto WAITS1: complete") << body(1);
    expectSameFile(a, copyOf(disk->root(), a), Keeps::Everything);
    settle();
    EXPECT_EQ(ends().size(), 2u) << "one pass once the lock was free";
    signalChild(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
}

// A disk plugged in while files are being restored is not written to: its
// pass waits, untold as a refusal, and starts once the restore has ended.
TEST_F(WatchedPass, ADiskPluggedInWhileFilesAreRestoredWaitsForTheRestoreToEnd)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    const std::string a = writeSource({"a.txt", "alpha"});
    auto disk = knownDisk("RESTWAIT", true);
    ASSERT_TRUE(disk);
    auto watcher = startWatcher();
    ASSERT_TRUE(waitUntil([&] { return watcher->err().find("waiting for disks") != std::string::npos; }, seconds(20)))
        << watcher->err();

    RestoreHold restoring;
    ASSERT_EQ(restoring.take(program), RestoreHold::Result::Taken);
    ASSERT_TRUE(insert(*disk, "RESTWAIT"));
    ASSERT_TRUE(
        waitUntil([&] { return watcher->err().find("RESTWAIT waits: files are being restored") != std::string::npos; },
                  seconds(30)))
        << watcher->err();
    EXPECT_FALSE(fs::exists(copyOf(disk->root(), a)));
    restoring.release();
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto RESTWAIT: complete") << body(0);
    expectSameFile(a, copyOf(disk->root(), a), Keeps::Everything);
    signalChild(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
}

// A pass started by a mount says so, with a Stop that ends that pass as
// ABORT does (the watch goes on); the end takes the start notice's place.
// A watch that cannot reach a notification server passes all the same.
TEST_F(WatchedPass, APassOnMountAnnouncesItselfAndItsStopEndsItAsAbortDoes)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    // Enough files that the pass is still running when Stop arrives.
    for (int i = 0; i < 8000; ++i)
        writeSource({"f" + std::to_string(10000 + i), std::string(1024, 'a' + i % 26)});
    auto disk = knownDisk("TOLD1", true, 64);
    ASSERT_TRUE(disk);
    auto watcher = startWatcher();
    ASSERT_TRUE(insert(*disk, "TOLD1"));
    ASSERT_TRUE(waitUntil([&] { return !starts().empty(); }, seconds(30))) << watcher->err();
    const std::string start = starts().at(0);
    EXPECT_EQ(SessionBus::field(start, "summary"), "Backing up onto TOLD1");
    EXPECT_NE(start.find("\"actions\": [\"stop\", \"Stop\"]"), std::string::npos) << start;
    bus->invoke(idOf(start), "stop");
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
    EXPECT_EQ(summary(0), "Backup onto TOLD1: aborted") << body(0);
    EXPECT_NE(ends().at(0).find("\"replaces\": " + std::to_string(idOf(start))), std::string::npos) << ends().at(0);
    EXPECT_TRUE(watcher->pid() > 0 && ::kill(watcher->pid(), 0) == 0) << "the watch goes on";
    signalChild(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
    ASSERT_TRUE(disk->unmount());

    // No server to tell: the pass is the same.
    auto alone = std::make_unique<PassProcess>(
        command({"--watch"}), temp + "/alone",
        std::vector<std::string> {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + temp + "/no-bus-here"});
    ASSERT_TRUE(insert(*disk, "TOLD1"));
    EXPECT_TRUE(waitUntil([&] { return cutOffMoved("TOLD1"); }, seconds(60))) << alone->err();
    signalChild(alone->pid(), SIGTERM);
    EXPECT_EQ(alone->wait(), 0) << alone->err();
}

// The session bus restarts under a running watch: the next pass still
// tells the desktop.
TEST_F(WatchedPass, NoticesReachTheSessionBusAgainAfterItRestarts)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    writeSource({"a.txt", "alpha"});
    auto disk = knownDisk("AGAIN1", true);
    ASSERT_TRUE(disk);
    auto watcher = startWatcher();
    ASSERT_TRUE(insert(*disk, "AGAIN1"));
    ASSERT_TRUE(waitForEnds(1)) << watcher->err();
    ASSERT_TRUE(disk->unmount());

    ASSERT_TRUE(bus->restart()) << bus->error();
    writeSource({"b.txt", "beta"});
    ASSERT_TRUE(insert(*disk, "AGAIN1"));
    ASSERT_TRUE(waitForEnds(2)) << watcher->err();
    EXPECT_EQ(summary(1), "Backup onto AGAIN1: complete") << body(1);
    signalChild(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
}

// A notification server that never answers holds up neither the pass nor
// the next disk: each notice once waited up to 10 seconds for its answer.
TEST_F(WatchedPass, ASilentNotificationServerHoldsUpNoPass)
{
    if (const std::string why = prepare(); !why.empty())
        GTEST_SKIP() << why;
    writeSource({"a.txt", "alpha"});
    auto first = knownDisk("HUSH1", true);
    auto second = knownDisk("HUSH2", true);
    ASSERT_TRUE(first && second);
    signalChild(bus->serverPid(), SIGSTOP);
    auto watcher = startWatcher();
    const auto began = std::chrono::steady_clock::now();
    ASSERT_TRUE(insert(*first, "HUSH1"));
    ASSERT_TRUE(insert(*second, "HUSH2"));
    EXPECT_TRUE(waitUntil([&] { return cutOffMoved("HUSH1") && cutOffMoved("HUSH2"); }, seconds(60))) << watcher->err();
    // Generous against the 20 seconds two notices each held before.
    EXPECT_LT(std::chrono::steady_clock::now() - began, seconds(8)) << watcher->err();
    signalChild(bus->serverPid(), SIGCONT);
    signalChild(watcher->pid(), SIGTERM);
    EXPECT_EQ(watcher->wait(), 0) << watcher->err();
}

} // namespace
} // namespace quillarc::e2e

#include <gtest/gtest.h>

#include <cmath>

#include "support/PtyProcess.h"
#include "cli/support/RunnerFolders.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillarc {
namespace {

namespace fs = std::filesystem;
using test::PtyProcess;

// The texts the runner shows on a terminal, '\r' line breaks already made
// terminal lines.
const std::string kOneDiskQuestion = "NO ROOM ON THE BACKUP DISK\nTO COMPLETE THE BACKUP OF THIS FOLDER\n"
                                     "YOU WILL NEED ONE FORMATTED DISK READY.\n"
                                     "IF YOU HAVE THE DISK READY CHOOSE YES.\n"
                                     "IF YOU WISH TO CANCEL THE OPERATION CHOOSE CANCEL\n\n"
                                     "ONE FORMATTED DISK READY? (y/N) ";
const std::string kThreeDisksQuestion = "NO ROOM ON THE BACKUP DISK\nTO COMPLETE THE BACKUP OF THIS FOLDER\n"
                                        "YOU WILL NEED 3 FORMATTED DISKS READY.\n"
                                        "IF YOU HAVE THE DISKS READY CHOOSE YES.\n"
                                        "IF YOU WISH TO CANCEL THE OPERATION CHOOSE CANCEL\n\n"
                                        "3 FORMATTED DISKS READY?";
const std::string kWaitForDisk = "Put in a new formatted disk with a volume label, then press Enter (READY),\n"
                                 "or type c and Enter (CANCEL): ";
const std::string kNotNew = "NOT A NEW FORMATTED DISK.\nTHIS DISK IS ALREADY IN USE BY THE PROGRAM\n"
                            "INSERT NEW FORMATTED DISK TO CONTINUE\n";
const std::string kCancelQuestion = "IF YOU CANCEL IN THE MIDDLE OF AN OPERATION\n"
                                    "YOUR COMPUTER WILL NEED TO PERFORM THE BACKUP\n"
                                    "OPERATION AGAIN THE NEXT TIME YOU BACKUP THIS FOLDER.\n\n"
                                    "CANCEL THE BACKUP? (y/N) ";
const std::string kErrorEnding = "Error Writing to Disk...  0 Files Found and Backed Up\nFolder Scan Cancelled...\n";

// A mount namespace of the tests' own, where a small tmpfs can stand in for
// a backup disk that fills up. Empty when there is one, else why not.
std::string privateMounts()
{
    static const std::string reason = []() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0) {
            const int error = errno;
            if (error != EPERM || ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
                return std::string("no mount namespace of our own: ") + std::strerror(error);
            const std::string uid = "0 " + std::to_string(::getuid()) + " 1";
            const std::string gid = "0 " + std::to_string(::getgid()) + " 1";
            std::ofstream("/proc/self/setgroups") << "deny";
            std::ofstream("/proc/self/uid_map") << uid;
            std::ofstream("/proc/self/gid_map") << gid;
        }
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("cannot make the mounts private: ") + std::strerror(errno);
        return {};
    }();
    return reason;
}

// Runs the built quillarc-pass over real folders: a source tree, a folder
// medium (a folder holding ".quillarc-label") and a program folder, on a
// pseudo-terminal or with no terminal at all.
class TerminalPassTest : public test::RunnerFolders {
protected:
    ~TerminalPassTest() override
    {
        if (fullDisk >= 0)
            ::close(fullDisk);
        if (mounted)
            ::umount2(medium.c_str(), MNT_DETACH);
    }

    bool cutOffMoved(const std::string &label)
    {
        return read(program + label + ".ini").find("0/0/0 0:00") == std::string::npos;
    }
    std::string onDisk(const std::string &root, const std::string &name) const
    {
        return root + source.substr(1) + "/" + name;
    }

    // Files "big1", "big2", ... that together need `disks` more disks than
    // the free space: each larger than the free space, so none fits, and
    // each smaller than the disk, so a new disk could take it. They hold
    // data (a sparse file needs only the room of its data), so the disk is
    // a small tmpfs of its own, labelled as the folder was. Empty, or why
    // there is no such disk here.
    std::string overfill(double disks)
    {
        if (const std::string reason = privateMounts(); !reason.empty())
            return reason;
        const std::string label = read(medium + ".quillarc-label");
        if (::mount("quillarc-room", medium.c_str(), "tmpfs", 0, "size=1m") != 0)
            return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        mounted = true;
        write(medium + ".quillarc-label", label);
        struct statvfs st {};
        if (::statvfs(medium.c_str(), &st) != 0)
            return std::string("no free space figure: ") + std::strerror(errno);
        const auto unit = static_cast<long long>(st.f_frsize);
        const long long free = static_cast<long long>(st.f_bavail) * unit;
        const long long capacity = static_cast<long long>(st.f_blocks) * unit;
        const long long size = free + (capacity - free) / 2;
        const auto wanted = static_cast<long long>(std::ceil(disks));
        long long count = 1;
        while (count * size - free <= (wanted - 1) * capacity)
            ++count;
        for (long long i = 1; i <= count; ++i)
            write(source + "/big" + std::to_string(i), std::string(static_cast<std::size_t>(size), 'b'));
        return {};
    }

    bool anyBigOnDisk() const { return fs::exists(onDisk(medium, "big1")) || fs::exists(onDisk(medium, "big2")); }

    std::vector<std::string> command(const std::vector<std::string> &extra = {}) const
    {
        std::vector<std::string> argv {binary(), "--program-folder", program};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return argv;
    }

    bool mounted = false;
    int fullDisk = -1;
};

TEST_F(TerminalPassTest, RoomQuestionAnsweredNoEndsThePassWithoutCopying)
{
    labelMedium("ROOM1");
    listFile("ROOM1");
    if (const std::string reason = overfill(0.5); !reason.empty())
        GTEST_SKIP() << reason;

    PtyProcess pass;
    ASSERT_TRUE(pass.start(command()));
    ASSERT_TRUE(pass.waitFor(kOneDiskQuestion)) << pass.output();
    pass.type("n\n");
    EXPECT_EQ(pass.finish(), 1) << pass.output();
    EXPECT_TRUE(pass.waitFor(kErrorEnding, {})) << pass.output();
    EXPECT_FALSE(fs::exists(medium + source.substr(1)));
    EXPECT_FALSE(cutOffMoved("ROOM1"));
}

// "y" lets the copy scan start; its file does not fit, so the disk-full wait
// follows. Enter with the full disk still in is refused and the wait goes
// on; "c" asks again before anything ends, and only Yes to that is CANCEL.
TEST_F(TerminalPassTest, FullDiskWaitsUntilCancelIsConfirmed)
{
    labelMedium("FULL1");
    listFile("FULL1");
    if (const std::string reason = overfill(0.5); !reason.empty())
        GTEST_SKIP() << reason;

    PtyProcess pass;
    ASSERT_TRUE(pass.start(command()));
    ASSERT_TRUE(pass.waitFor(kOneDiskQuestion)) << pass.output();
    pass.type("y\n");
    ASSERT_TRUE(pass.waitFor("Disk Full\nBACKUP DISK FULL ,  REPLACE WITH FORMATTED DISK\n"
                             "Current Volume  FULL1\n" +
                             kWaitForDisk))
        << pass.output();

    pass.type("\n");
    ASSERT_TRUE(pass.waitFor(kNotNew + "Current Volume  FULL1\n" + kWaitForDisk)) << pass.output();
    pass.type("c\n");
    ASSERT_TRUE(pass.waitFor(kCancelQuestion)) << pass.output();
    pass.type("n\n");
    ASSERT_TRUE(pass.waitFor(kWaitForDisk)) << "not confirmed: still waiting\n" << pass.output();
    pass.type("c\n");
    ASSERT_TRUE(pass.waitFor(kCancelQuestion)) << pass.output();
    pass.type("y\n");

    EXPECT_EQ(pass.finish(), 1) << pass.output();
    EXPECT_TRUE(pass.waitFor(kErrorEnding, {})) << pass.output();
    EXPECT_FALSE(anyBigOnDisk());
    EXPECT_FALSE(cutOffMoved("FULL1"));
}

// With nobody to ask, the room question is Cancel unless --yes answers it,
// and a full disk is CANCEL; no progress line is drawn.
TEST_F(TerminalPassTest, WithoutATerminalNobodyIsAsked)
{
    labelMedium("PIPE1");
    listFile("PIPE1");
    if (const std::string reason = overfill(2.5); !reason.empty())
        GTEST_SKIP() << reason;

    struct Case {
        const char *extra;
        std::string answer;
        bool diskFull;
    };
    const Case cases[] = {
        {"", kThreeDisksQuestion + " Cancel (no terminal; --yes answers Yes)\n", false},
        {"--yes", kThreeDisksQuestion + " yes (--yes)\n", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.extra);
        const Run run = RunnerFolders::run(c.extra);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find(c.answer), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Disk Full\nBACKUP DISK FULL ,  REPLACE WITH FORMATTED DISK\n"
                                  "Current Volume  PIPE1\nCANCEL (no terminal to wait for a new disk)\n") !=
                      std::string::npos,
                  c.diskFull)
            << run.output;
        EXPECT_NE(run.output.find(kErrorEnding), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find('\033'), std::string::npos) << "no progress line without a terminal";
        EXPECT_FALSE(anyBigOnDisk());
        EXPECT_FALSE(cutOffMoved("PIPE1"));
    }
}

// ^C is ABORT wherever the pass is, also while it waits for an answer: the
// wait ends at once and the pass ends the one way, status lines and all.
TEST_F(TerminalPassTest, InterruptEndsAWaitForAnAnswer)
{
    labelMedium("INT1");
    listFile("INT1");
    if (const std::string reason = overfill(0.5); !reason.empty())
        GTEST_SKIP() << reason;

    struct Case {
        const char *name;
        std::vector<std::pair<std::string, std::string>> script; // wait for, then type
    };
    const Case cases[] = {
        {"room question", {{kOneDiskQuestion, "\x03"}}},
        {"disk-full wait", {{kOneDiskQuestion, "y\n"}, {kWaitForDisk, "\x03"}}},
        {"cancel question", {{kOneDiskQuestion, "y\n"}, {kWaitForDisk, "c\n"}, {kCancelQuestion, "\x03"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PtyProcess pass;
        ASSERT_TRUE(pass.start(command()));
        for (const auto &[wanted, keys] : c.script) {
            ASSERT_TRUE(pass.waitFor(wanted)) << pass.output();
            pass.type(keys);
        }
        // Interrupted, a wait ends as its Cancel answer.
        // A wait the interrupt did not end never ends: a generous deadline
        // tells that apart from a slow machine flushing the disk.
        EXPECT_EQ(pass.finish(std::chrono::seconds(60)), 1) << "the interrupt did not end the wait\n" << pass.output();
        EXPECT_TRUE(pass.waitFor(kErrorEnding, {})) << pass.output();
        EXPECT_FALSE(anyBigOnDisk());
        EXPECT_FALSE(cutOffMoved("INT1"));
    }
}

// The progress line is redrawn in place, fits the terminal's width keeping
// the end of a text too long for it, and is gone before the status lines
// are written.
TEST_F(TerminalPassTest, ProgressLineFitsTheTerminalAndIsClearedAtTheEnd)
{
    write(source + "/a.txt", "data");
    labelMedium("PROG1");
    listFile("PROG1");

    PtyProcess pass;
    ASSERT_TRUE(pass.start(command(), 36));
    EXPECT_EQ(pass.finish(), 0) << pass.output();
    EXPECT_EQ(read(onDisk(medium, "a.txt")), "data");

    const std::string raw = pass.raw();
    const std::string redraw = "\r\033[K";
    const std::size_t lastClear = raw.rfind(redraw);
    ASSERT_NE(lastClear, std::string::npos) << raw;
    EXPECT_EQ(raw.substr(lastClear + redraw.size()),
              "Complete...  1 Files Found and Backed Up\r\nFolder Scan Complete...\r\n");
    bool shortened = false;
    for (std::size_t at = raw.find(redraw); at < lastClear; at = raw.find(redraw, at + 1)) {
        const std::size_t begin = at + redraw.size();
        const std::string line = raw.substr(begin, raw.find_first_of("\r\n", begin) - begin);
        if (line.empty())
            continue;
        EXPECT_EQ(line.front(), '[') << line;
        EXPECT_LE(line.size(), 35u) << line;
        shortened = shortened || line.find("] ...") != std::string::npos;
    }
    // The last drawing shows the outcome, 40 characters in a 23-wide room.
    EXPECT_TRUE(shortened) << raw;
}

// A disk that really fills up: a small tmpfs over the medium folder. After
// the refused Enter the full disk is taken out (unmounted), which leaves the
// folder beneath it, labelled NEW2, in the drive; Enter then carries the
// pass on onto it, and its list is written under the new label.
TEST_F(TerminalPassTest, FullDiskReplacedWithANewOneCarriesThePassOn)
{
    const std::string reason = privateMounts();
    if (!reason.empty())
        GTEST_SKIP() << reason;
    labelMedium("NEW2");
    if (::mount("quillarc-full", medium.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    mounted = true;
    labelMedium("FULL2");
    listFile("FULL2");
    const std::vector<std::string> names {"one", "two", "three"};
    for (const std::string &name : names)
        write(source + "/" + name, std::string(100 * 1024, name[0]));

    PtyProcess pass;
    ASSERT_TRUE(pass.start(command()));
    ASSERT_TRUE(pass.waitFor(kOneDiskQuestion)) << pass.output();
    pass.type("y\n");
    ASSERT_TRUE(pass.waitFor("Current Volume  FULL2\n" + kWaitForDisk)) << pass.output();
    pass.type("\n");
    ASSERT_TRUE(pass.waitFor(kNotNew + "Current Volume  FULL2\n" + kWaitForDisk)) << pass.output();

    fullDisk = ::open(medium.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::umount2(medium.c_str(), MNT_DETACH), 0) << std::strerror(errno);
    mounted = false;
    pass.type("\n");
    ASSERT_TRUE(pass.waitFor("Current Volume  NEW2\n")) << pass.output();

    EXPECT_EQ(pass.finish(), 0) << pass.output();
    EXPECT_TRUE(pass.waitFor("Complete...  3 Files Found and Backed Up\nFolder Scan Complete...\n", {}))
        << pass.output();

    // Every file on exactly one of the two disks, the last one on the new.
    const std::string full = "/proc/self/fd/" + std::to_string(fullDisk) + "/";
    int onFull = 0;
    int onNew = 0;
    for (const std::string &name : names) {
        const std::string expected(100 * 1024, name[0]);
        const bool inFull = fs::exists(onDisk(full, name));
        const bool inNew = fs::exists(onDisk(medium, name));
        EXPECT_NE(inFull, inNew) << name;
        EXPECT_EQ(read(onDisk(inFull ? full : medium, name)), expected) << name;
        onFull += inFull ? 1 : 0;
        onNew += inNew ? 1 : 0;
    }
    EXPECT_EQ(onFull, 2);
    EXPECT_EQ(onNew, 1);

    EXPECT_TRUE(cutOffMoved("NEW2")) << read(program + "NEW2.ini");
    EXPECT_EQ(read(program + "NEW2.ini").substr(0, source.size()), source);
    EXPECT_FALSE(cutOffMoved("FULL2")) << "the full disk's list keeps what it held";
}

} // namespace
} // namespace quillarc

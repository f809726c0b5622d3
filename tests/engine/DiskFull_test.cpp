#include "engine/support/PassFixture.h"

#include "engine/DiskFullRules.h"
#include "engine/RoomCheck.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <sched.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class DiskFullTest : public PassFixture {
protected:
    static std::string bytes(std::size_t n) { return std::string(n, 'x'); }
    static char inSmallTmpfs(const std::string &mountPoint, const char *size, const std::function<bool()> &body);
};

TEST_F(DiskFullTest, RoomPromptOnlyWhenTheFolderDoesNotFit)
{
    writeFile(source + "/a", bytes(3000));
    writeFile(source + "/b", bytes(2000));
    addItem(source, "Yes");

    host.setFree(kDrive, 5001);
    runPass();
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(ui.fileLine, "Complete...  2 Files Found and Backed Up");

    fs::remove_all(medium + source.substr(1));
    list.setCutOffValue(list.at(0), 0);
    host.setFree(kDrive, 5000);
    runPass(); // answered Cancel
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0], RoomCheck::prompt(1));
    EXPECT_EQ(ui.fileLine, "Error Writing to Disk...  0 Files Found and Backed Up");
    EXPECT_EQ(ui.folderLine, "Folder Scan Cancelled...");
    EXPECT_EQ(list.at(0).text(TextFloat), "0");
    EXPECT_FALSE(exists(copyOf(medium, source + "/a")));
}

TEST_F(DiskFullTest, ThreeDisksPromptThenCancelledDialog)
{
    for (const char *name : {"/a", "/b", "/c"})
        writeFile(source + name, bytes(850));
    addItem(source, "Yes");
    host.insert(kDrive, {medium, label, 1000, 100});
    ui.confirmAnswers = {true};
    ui.dialogPresses = {{ScriptedPassUi::Press::Cancel, {}}, {ScriptedPassUi::Press::Cancel, {}}};
    ui.confirmAnswers.push_back(false); // first CANCEL: not confirmed, the dialog stays
    ui.confirmAnswers.push_back(true);  // second: confirmed
    runPass();

    ASSERT_EQ(ui.questions.size(), 3u);
    EXPECT_EQ(ui.questions[0], RoomCheck::prompt(3));
    EXPECT_EQ(ui.questions[1], DiskFullRules::cancelQuestion());
    EXPECT_EQ(ui.dialogLabels, std::vector<std::string>({label}));
    EXPECT_EQ(ui.fileLine, "Error Writing to Disk...  0 Files Found and Backed Up");
    EXPECT_EQ(run->outcome().end, PassEnd::DiskFullCancelled);
    EXPECT_EQ(list.at(0).text(TextFloat), "0");
}

// While the pass waits for another disk, the file it is about to copy is
// not locked: another program may lock it meanwhile, for as long as the
// user takes to answer.
TEST_F(DiskFullTest, NoLockIsHeldOnTheSourceWhileADiskIsAskedFor)
{
    writeFile(source + "/waits", bytes(850));
    addItem(source, "Yes");
    host.insert(kDrive, {medium, label, 1000, 100});
    ui.confirmAnswers = {true, true};
    bool lockedMeanwhile = false;
    ui.dialogPresses = {{ScriptedPassUi::Press::Cancel, [&] {
                             const int other = ::open((source + "/waits").c_str(), O_RDONLY | O_CLOEXEC);
                             lockedMeanwhile = other >= 0 && ::flock(other, LOCK_EX | LOCK_NB) == 0;
                             if (other >= 0)
                                 ::close(other);
                         }}};
    runPass();

    ASSERT_EQ(ui.dialogLabels, std::vector<std::string>({label}));
    EXPECT_TRUE(lockedMeanwhile);
}

TEST_F(DiskFullTest, SingleFileTooLargeEndsThePass)
{
    writeFile(source + "/big", bytes(100));
    addItem(source + "/big", "");
    host.setFree(kDrive, 99);
    runPass();
    EXPECT_EQ(ui.messages, std::vector<std::string>({"DISK FULL.  REPLACE DISK AND RESUME BACKUP"}));
    EXPECT_EQ(ui.progressHidden, 1);
    EXPECT_EQ(ui.fileLine, "Error Writing to Disk...  0 Files Found and Backed Up");
    EXPECT_EQ(list.at(0).text(TextFloat), "0");

    // Unchanged since its cut-off: passed over without a message.
    list.setCutOffValue(list.at(0), dateTimeFromTimePoint(std::chrono::system_clock::now()));
    ui.messages.clear();
    runPass();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.fileLine, "Complete...  0 Files Found and Backed Up");
}

// The disk fills in the middle of a folder; READY is refused for the full
// disk, an unlabelled one and one with too little room, then accepted; the
// rest of the pass goes to the new disk, which gets its own list file.
TEST_F(DiskFullTest, DiskChangeCarriesThePassOver)
{
    writeFile(source + "/a/small", bytes(10));
    for (const char *name : {"/b/1", "/b/2", "/b/3"})
        writeFile(source + name, bytes(100));
    writeFile(source + "/c/last", bytes(10));
    addItem(source + "/a", "Yes");
    addItem(source + "/b", "Yes");
    addItem(source + "/c", "Yes");
    listFile->saveItems(DriveRoot(kDrive), label, list);
    host.insert(kDrive, {medium, label, 230, std::nullopt});

    std::string second;
    ui.confirmAnswers = {true}; // room prompt for /b
    ui.dialogPresses = {
        {ScriptedPassUi::Press::Ready, {}},
        {ScriptedPassUi::Press::Ready, [&] { second = insertMedium("", 1000, "blank"); }},
        {ScriptedPassUi::Press::Ready,
         [&] {
             second = insertMedium("DISK2", 1000);
             host.setFree(kDrive, 50);
         }},
        {ScriptedPassUi::Press::Ready, [&] { host.setFree(kDrive, std::nullopt); }},
    };
    std::string snapshot;
    ui.onStatus = [&](StatusLine line, const std::string &text) {
        if (line == StatusLine::File && text.rfind(source + "/c/", 0) == 0)
            snapshot = readFile(listFile->pathFor("DISK2"));
    };
    runPass();

    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].substr(0, 26), "NOT A NEW FORMATTED DISK.\r");
    EXPECT_EQ(ui.messages[1].substr(0, 25), "DISK HAS NO VOLUME LABEL\r");
    EXPECT_EQ(ui.messages[2].substr(0, 35), "NOT ENOUGH FREE SPACE ON THIS DISK\r");
    EXPECT_EQ(ui.fileLine, "Complete...  5 Files Found and Backed Up");
    EXPECT_EQ(ui.shownLabels, std::vector<std::string>({"DISK2"}));
    EXPECT_EQ(run->outcome().volumeLabel, "DISK2");

    int onFirst = 0, onSecond = 0;
    for (const char *name : {"/b/1", "/b/2", "/b/3"}) {
        onFirst += exists(copyOf(medium, source + name));
        onSecond += exists(copyOf(second, source + name));
    }
    EXPECT_EQ(onFirst, 2);
    EXPECT_EQ(onSecond, 1) << "the file that did not fit went to the new disk with its folders";
    EXPECT_TRUE(exists(copyOf(second, source + "/c/last")));

    // At the change, the new disk's list was the list as it stood: /a with
    // its new cut-off, /b still with none.
    const std::string a = source + "/a\r\n";
    ASSERT_NE(snapshot.find(a), std::string::npos) << snapshot;
    EXPECT_EQ(snapshot.find(a + "0/0/0 0:00"), std::string::npos) << snapshot;
    EXPECT_NE(snapshot.find(source + "/b\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n"), std::string::npos) << snapshot;
    // At the end, the whole list with every new cut-off.
    const std::string final = readFile(listFile->pathFor("DISK2"));
    EXPECT_EQ(final.find("0/0/0 0:00"), std::string::npos) << final;
    // The full disk's list keeps what it held before the pass.
    EXPECT_NE(readFile(listFile->pathFor(label)).find("0/0/0 0:00"), std::string::npos);
}

// The new disk comes up at the same place as the full one (a fixed mount
// point). The rest of the pass goes to the new disk, not through folders
// still held open on the old one.
TEST_F(DiskFullTest, NewDiskAtTheSameMountPointGetsTheRest)
{
    for (const char *name : {"/b/1", "/b/2", "/b/3"})
        writeFile(source + name, bytes(100));
    addItem(source + "/b", "Yes");
    host.insert(kDrive, {medium, label, 230, std::nullopt});
    const std::string oldDisk = temp + "/old-disk/";
    ui.confirmAnswers = {true};
    ui.dialogPresses = {{ScriptedPassUi::Press::Ready, [&] {
                             fs::rename(medium, oldDisk);
                             fs::create_directories(medium);
                             host.insert(kDrive, {medium, "DISK2", 1000, std::nullopt});
                         }}};
    runPass();

    EXPECT_EQ(ui.fileLine, "Complete...  3 Files Found and Backed Up");
    int onOld = 0, onNew = 0;
    for (const char *name : {"/b/1", "/b/2", "/b/3"}) {
        onOld += exists(copyOf(oldDisk, source + name));
        onNew += exists(copyOf(medium, source + name));
    }
    EXPECT_EQ(onOld, 2);
    EXPECT_EQ(onNew, 1);
}

// The new disk is a folder inside a later item's tree: that item passes
// over it, as it would over the disk the pass began with.
TEST_F(DiskFullTest, NewDiskInsideALaterItemIsNotCopiedIntoItself)
{
    for (const char *name : {"/a/1", "/a/2", "/a/3"})
        writeFile(source + name, bytes(100));
    writeFile(source + "/b/x", bytes(10));
    const std::string inner = source + "/b/disk/";
    fs::create_directories(inner);
    addItem(source + "/a", "Yes");
    addItem(source + "/b", "Yes");
    host.insert(kDrive, {medium, label, 230, std::nullopt});
    ui.confirmAnswers = {true};
    ui.dialogPresses = {{ScriptedPassUi::Press::Ready, [&] {
                             host.insert(kDrive, {inner, "DISK2", 1000, std::nullopt});
                         }}};
    runPass();

    EXPECT_EQ(ui.fileLine, "Complete...  4 Files Found and Backed Up");
    int onNew = 0;
    for (const char *name : {"/a/1", "/a/2", "/a/3"})
        onNew += exists(copyOf(inner, source + name));
    EXPECT_EQ(onNew, 1);
    EXPECT_TRUE(exists(copyOf(inner, source + "/b/x")));
    EXPECT_FALSE(exists(copyOf(inner, source + "/b/disk")));
}

TEST_F(DiskFullTest, DiskGoneAfterReadyEndsAsCancelled)
{
    // READY passes its rules, then the disk is taken out before the pass
    // reads the label again.
    struct VanishingUi : ScriptedPassUi {
        test::SimulatedVolumeHost *drives = nullptr;
        DiskFullResult diskFull(const DiskFullRules &rules) override
        {
            const DiskFullResult result = ScriptedPassUi::diskFull(rules);
            drives->eject(kDrive);
            return result;
        }
    } vanishing;
    vanishing.drives = &host;
    writeFile(source + "/1", bytes(100));
    addItem(source, "Yes");
    host.insert(kDrive, {medium, label, 1000, 10});
    vanishing.confirmAnswers = {true};
    vanishing.dialogPresses = {{ScriptedPassUi::Press::Ready, [&] { insertMedium("DISK9", 1000); }}};
    BackupRun vanishingRun(
        RunSetup {list, vanishing, host, *listFile, clock, filters, DriveRoot(kDrive), label, true, &vanishing.echo});
    ASSERT_TRUE(vanishingRun.start());
    vanishingRun.wait();

    EXPECT_EQ(vanishing.fileLine, "Error Writing to Disk...  0 Files Found and Backed Up");
    EXPECT_EQ(vanishing.folderLine, "Folder Scan Cancelled...");
    EXPECT_EQ(list.at(0).text(TextFloat), "0");
    EXPECT_EQ(list.count(), 1u) << "the list stays under the pass";
    // As a confirmed CANCEL does: the list is saved under the label it had.
    EXPECT_TRUE(vanishingRun.outcome().listSaved);
    EXPECT_TRUE(exists(listFile->pathFor(label)));
}

// On a nearly full disk the older copy is never given up for room: the
// disk's versions give theirs, oldest first, and only when they are not
// enough is the next disk asked for, the older copy staying where it is.
TEST_F(DiskFullTest, RoomComesFromTheOldestVersionsNeverFromTheOlderCopy)
{
    struct Case {
        const char *what;
        std::int64_t oldestVersion, newerVersion; // bytes of two versions kept by earlier passes; 0: none
        bool nextDiskAsked;
        bool oldestKept, newerKept;
    };
    const std::string older(1 << 20, 'o');
    const std::string newer((1 << 20) + 100, 'n');
    const std::string oldStamp = ".quillarc/versions/2026-01-01T000000Z/";
    const std::string newStamp = ".quillarc/versions/2026-06-01T000000Z/";
    for (const Case c : {
             Case {"no versions", 0, 0, true, false, false},
             Case {"the oldest version is enough", 2 << 20, 2 << 20, false, false, true},
             Case {"both versions are needed", 300 << 10, 300 << 10, false, false, false},
             Case {"versions are not enough: none is pruned", 100 << 10, 100 << 10, true, true, true},
         }) {
        SCOPED_TRACE(c.what);
        fs::remove_all(medium);
        fs::create_directories(medium);
        writeFile(source + "/f", newer, 0);
        writeFile(copyOf(medium, source + "/f"), older);
        if (c.oldestVersion > 0)
            writeFile(medium + oldStamp + "x/old", std::string(static_cast<std::size_t>(c.oldestVersion), 'v'));
        if (c.newerVersion > 0)
            writeFile(medium + newStamp + "x/old", std::string(static_cast<std::size_t>(c.newerVersion), 'w'));
        list.clear();
        addItem(source, "Yes");
        // Free: a little less than the new copy needs.
        const std::int64_t used = test::SimulatedVolumeHost::bytesBelow(medium);
        host.insert(kDrive, {medium, label, used + (512 << 10), std::nullopt});
        ui.dialogLabels.clear();
        ui.questions.clear();
        ui.dialogPresses = {{ScriptedPassUi::Press::Cancel, {}}};
        ui.confirmAnswers = {true, true}; // the room prompt, then CANCEL confirmed
        runPass();
        EXPECT_EQ(exists(medium + oldStamp + "x/old"), c.oldestKept);
        EXPECT_EQ(exists(medium + newStamp + "x/old"), c.newerKept);
        if (!c.nextDiskAsked) {
            EXPECT_TRUE(ui.questions.empty()) << "the versions' room counts in the room check";
            EXPECT_TRUE(ui.dialogLabels.empty());
            EXPECT_TRUE(readFile(copyOf(medium, source + "/f")) == newer);
            int kept = 0;
            for (const auto &entry : fs::recursive_directory_iterator(medium + ".quillarc/versions"))
                kept += entry.is_regular_file() && readFile(entry.path()) == older ? 1 : 0;
            EXPECT_EQ(kept, 1) << "the replaced copy is a version";
        } else {
            EXPECT_EQ(ui.dialogLabels.size(), 1u) << "the next disk is asked for";
            EXPECT_TRUE(readFile(copyOf(medium, source + "/f")) == older) << "the older copy stays";
            EXPECT_EQ(ui.fileLine, "Error Writing to Disk...  0 Files Found and Backed Up");
        }
    }
}

// A file larger than the disk's file system allows (EFBIG, as FAT gives at
// 4 GiB) is refused part-way: the older copy stays whole, no partial file is
// left, the file is named as missed, and the pass goes on with the others.
TEST_F(DiskFullTest, AFileTooLargeForTheDiskIsRefusedAlone)
{
    writeFile(source + "/f", bytes(64 * 1024), 0);
    writeFile(source + "/g", "small", 0);
    writeFile(copyOf(medium, source + "/f"), "older copy");
    addItem(source, "Yes");

    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = previous;
    limited.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    makeRun();
    const PassOutcome &outcome = startAndWait();
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(readFile(copyOf(medium, source + "/f")), "older copy");
    EXPECT_EQ(readFile(copyOf(medium, source + "/g")), "small");
    EXPECT_EQ(ui.fileLine, "Complete...  1 Files Found and Backed Up");
    ASSERT_EQ(outcome.missed.size(), 1u);
    EXPECT_EQ(outcome.missed[0].path, source + "/f");
    EXPECT_EQ(outcome.missed[0].cause, "refused by the backup disk: File too large");
    for (const auto &entry : fs::directory_iterator(copyOf(medium, source)))
        EXPECT_NE(entry.path().filename().string().rfind(".quillarc", 0), 0u) << entry.path();
}

// A real small disk: `body` runs in a child process with a tmpfs of `size`
// mounted at `mountPoint` in a private mount namespace. 'y' or 'n' is what
// the body found, 's' that no such mount could be made here.
char DiskFullTest::inSmallTmpfs(const std::string &mountPoint, const char *size, const std::function<bool()> &body)
{
    fs::create_directories(mountPoint);
    int report[2];
    if (::pipe(report) != 0)
        return 's';
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        auto answer = [&](char code) {
            (void)!::write(report[1], &code, 1);
            ::_exit(0);
        };
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWNS) != 0) {
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
                answer('s');
            auto put = [](const char *file, const std::string &text) {
                FILE *out = std::fopen(file, "w");
                if (!out)
                    return;
                std::fputs(text.c_str(), out);
                std::fclose(out);
            };
            put("/proc/self/setgroups", "deny");
            put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
            put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
        }
        const std::string options = std::string("size=") + size;
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, options.c_str()) != 0)
            answer('s');
        answer(body() ? 'y' : 'n');
    }
    ::close(report[1]);
    char code = 0;
    const bool got = ::read(report[0], &code, 1) == 1;
    ::close(report[0]);
    ::waitpid(child, nullptr, 0);
    return got ? code : 'n';
}

// A real full disk whose free space the host overstates, so the copy
// itself meets ENOSPC.
TEST_F(DiskFullTest, RealNoSpaceLeavesNoTruncatedCopy)
{
    writeFile(source + "/big", bytes(256 * 1024), 0);
    writeFile(source + "/small", bytes(1000), 0);
    addItem(source, "Yes");
    const std::string mountPoint = temp + "/tmpfs/";
    const char code = inSmallTmpfs(mountPoint, "128k", [&] {
        host.insert(kDrive, {mountPoint, label, std::int64_t {1} << 30, std::int64_t {1} << 30});
        makeRun();
        startAndWait();
        const bool errorRow = ui.fileLine.rfind("Error Writing to Disk...  ", 0) == 0;
        const bool noBig = !exists(copyOf(mountPoint, source + "/big"));
        bool noPartial = true;
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(mountPoint, error);
             !error && it != fs::recursive_directory_iterator(); it.increment(error))
            // The disk's own catalogue may stand in its folder; a temporary
            // copy may not, there or in the mirror.
            if (it->path().filename().string().rfind(".quillarc-", 0) == 0 ||
                it->path().string().find("/.quillarc/part/") != std::string::npos)
                noPartial = false;
        return errorRow && noBig && noPartial && list.at(0).text(TextFloat) == "0";
    });
    if (code == 's')
        GTEST_SKIP() << "cannot mount a tmpfs in a private mount namespace here";
    EXPECT_EQ(code, 'y');
}

// Many small files on a small disk: each takes a whole page, far more than
// its bytes. The disk must be seen to fill up before a write fails, so the
// disk-full dialog is offered rather than a write error.
TEST_F(DiskFullTest, SmallFilesFillingARealDiskOpenTheDialog)
{
    for (int i = 0; i < 48; ++i)
        writeFile(source + "/f" + std::to_string(i), bytes(100), 0);
    addItem(source, "Yes");
    const std::string mountPoint = temp + "/tmpfs/";
    // Free and total space as the file system itself reports them.
    struct StatvfsHost : VolumeHost {
        std::string root;
        std::string mediumRoot(const std::string &) const override { return root; }
        std::string volumeLabel(const std::string &) const override { return "DISK1"; }
        std::int64_t freeBytes(const std::string &) const override { return figure(true); }
        std::int64_t totalBytes(const std::string &) const override { return figure(false); }
        std::int64_t figure(bool free) const
        {
            struct statvfs vfs {};
            if (::statvfs(root.c_str(), &vfs) != 0)
                return -1;
            return static_cast<std::int64_t>(free ? vfs.f_bavail : vfs.f_blocks) *
                   static_cast<std::int64_t>(vfs.f_frsize);
        }
    } realHost;
    realHost.root = mountPoint;
    const char code = inSmallTmpfs(mountPoint, "128k", [&] {
        BackupRun realRun(
            RunSetup {list, ui, realHost, *listFile, clock, filters, DriveRoot(kDrive), label, true, &ui.echo});
        if (!realRun.start())
            return false;
        realRun.wait();
        // The dialog is closed without a new disk: the pass ends as cancelled.
        return ui.dialogLabels.size() == 1 && realRun.outcome().end == PassEnd::DiskFullCancelled &&
               realRun.outcome().filesCopied > 0 && ui.fileLine.rfind("Error Writing to Disk...  ", 0) == 0;
    });
    if (code == 's')
        GTEST_SKIP() << "cannot mount a tmpfs in a private mount namespace here";
    EXPECT_EQ(code, 'y');
}

} // namespace
} // namespace quillarc

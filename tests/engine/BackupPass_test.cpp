#include "engine/support/PassFixture.h"

#include "engine/CutOffTest.h"
#include "engine/FileBytes.h"
#include "engine/TreeWalker.h"
#include "support/ScopedTimeZone.h"

#include "lists/DateTime.h"
#include "lists/DateTimeText.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <fcntl.h>
#include <fstream>
#include <filesystem>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <stdexcept>
#include <unistd.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class BackupPassTest : public PassFixture {
protected:
    /// What the disk keeps as versions of the copy of `sourcePath`, oldest first.
    std::vector<std::string> keptVersions(const std::string &sourcePath) const
    {
        std::vector<std::string> kept;
        const fs::path versions = medium + ".quillarc/versions";
        if (!fs::exists(versions))
            return kept;
        std::vector<fs::path> stamps {fs::directory_iterator(versions), fs::directory_iterator()};
        std::sort(stamps.begin(), stamps.end());
        for (const fs::path &stamp : stamps) {
            const fs::path version = stamp / sourcePath.substr(1);
            if (fs::is_regular_file(fs::symlink_status(version)))
                kept.push_back(readFile(version));
        }
        return kept;
    }
};

TEST_F(BackupPassTest, CopiesQualifyingFilesWithTimeAndPermissions)
{
    writeFile(source + "/a.txt", "alpha");
    writeFile(source + "/empty", "");
    writeFile(source + "/sub/deep/b.txt", "beta");
    writeFile(source + "/.hidden", "h");
    writeFile(source + "/.dotdir/c.txt", "c");
    writeFile(source + "/locked.txt", "read only");
    ::chmod((source + "/locked.txt").c_str(), 0444);
    ::chmod((source + "/empty").c_str(), 0666); // wider than the umask lets a new file be
    struct timespec times[2] = {{0, UTIME_OMIT}, {1500000000, 123456789}};
    ::utimensat(AT_FDCWD, (source + "/a.txt").c_str(), times, 0);
    addItem(source, "Yes");

    runPass();

    EXPECT_EQ(readFile(copyOf(medium, source + "/a.txt")), "alpha");
    EXPECT_EQ(readFile(copyOf(medium, source + "/sub/deep/b.txt")), "beta");
    EXPECT_TRUE(exists(copyOf(medium, source + "/empty")));
    EXPECT_EQ(readFile(copyOf(medium, source + "/locked.txt")), "read only");
    // Hidden files are what a home folder's settings, keys and mail are.
    EXPECT_EQ(readFile(copyOf(medium, source + "/.hidden")), "h");
    EXPECT_EQ(readFile(copyOf(medium, source + "/.dotdir/c.txt")), "c");
    struct stat st {};
    ASSERT_EQ(::stat(copyOf(medium, source + "/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
    ASSERT_EQ(::stat(copyOf(medium, source + "/locked.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    ASSERT_EQ(::stat(copyOf(medium, source + "/empty").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
    EXPECT_EQ(ui.fileLine, "Complete...  6 Files Found and Backed Up");
    EXPECT_EQ(ui.folderLine, "Folder Scan Complete...");
    EXPECT_NE(list.at(0).text(TextFloat), "0");
    // The list was saved for the disk's label.
    EXPECT_TRUE(exists(listFile->pathFor(label)));
}

TEST_F(BackupPassTest, SubfolderFlagNoAndCutOffEquality)
{
    writeFile(source + "/top.txt", "t");
    writeFile(source + "/sub/inner.txt", "i");
    writeFile(source + "/old.txt", "o");
    // A cut-off whose number text is exact, after the files' status changes
    // (they were just written), a file stamped at that very time and one an
    // hour after it.
    const DateTime cutOff = std::floor(dateTimeFromTimePoint(std::chrono::system_clock::now())) + 1.5;
    auto stampAt = [](const std::string &path, std::chrono::system_clock::time_point when) {
        const auto since = when.time_since_epoch();
        const auto whole = std::chrono::duration_cast<std::chrono::seconds>(since);
        const struct timespec stamp[2] = {
            {0, UTIME_OMIT},
            {static_cast<time_t>(whole.count()),
             static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(since - whole).count())}};
        return ::utimensat(AT_FDCWD, path.c_str(), stamp, 0) == 0;
    };
    ASSERT_TRUE(stampAt(source + "/old.txt", timePointFromDateTime(cutOff)));
    ASSERT_TRUE(stampAt(source + "/top.txt", timePointFromDateTime(cutOff) + std::chrono::hours(1)));
    ASSERT_EQ(numberText(cutOff).find('e'), std::string::npos);
    addItem(source, "No", true, numberText(cutOff));

    runPass();

    EXPECT_TRUE(exists(copyOf(medium, source + "/top.txt")));
    EXPECT_FALSE(exists(copyOf(medium, source + "/sub/inner.txt")));
    EXPECT_FALSE(exists(copyOf(medium, source + "/old.txt"))) << "a time equal to the cut-off does not qualify";
    EXPECT_EQ(ui.fileLine, "Complete...  1 Files Found and Backed Up");
}

TEST_F(BackupPassTest, SecondPassCopiesOnlyWhatChanged)
{
    writeFile(source + "/a.txt", "one");
    writeFile(source + "/b.txt", "two");
    addItem(source, "Yes");
    // The files' status changed as they were written: the first pass runs
    // a few seconds later, so its cut-off lies past that.
    clock.shift = std::chrono::seconds(5);
    runPass();
    ASSERT_EQ(ui.fileLine, "Complete...  2 Files Found and Backed Up");

    writeFile(source + "/b.txt", "two, changed", -10); // changed after the first pass
    clock.shift = std::chrono::seconds(20);
    runPass();
    EXPECT_EQ(ui.fileLine, "Complete...  1 Files Found and Backed Up");
    EXPECT_EQ(readFile(copyOf(medium, source + "/b.txt")), "two, changed");
    // No temporary file is left beside the copy.
    for (const auto &entry : fs::directory_iterator(copyOf(medium, source)))
        EXPECT_EQ(entry.path().filename().string().rfind(".quillarc", 0), std::string::npos) << entry.path();

    runPass();
    EXPECT_EQ(ui.fileLine, "Complete...  0 Files Found and Backed Up");
    EXPECT_EQ(ui.folderLine, "Folder Scan Complete...");
}

TEST_F(BackupPassTest, SingleFileItems)
{
    writeFile(source + "/one.txt", "single");
    addItem(source + "/one.txt", "");
    addItem(source + "/zzz-unchecked.txt", "", false, "0");
    const PassOutcome &outcome = runPass();

    EXPECT_EQ(readFile(copyOf(medium, source + "/one.txt")), "single");
    EXPECT_NE(list.at(0).text(TextFloat), "0") << "its cut-off moves";
    EXPECT_EQ(list.at(1).text(TextFloat), "0") << "unchecked items keep their texts";
    EXPECT_TRUE(outcome.clean());
    const std::string saved = readFile(listFile->pathFor(label));
    EXPECT_NE(saved.find("\r\n\r\nF\r\n"), std::string::npos) << saved;
}

// A checked item whose folder or file is not there at a pass (a share not
// mounted, a disk unplugged) stays in the list, checked, with its cut-off,
// and is named: the pass is not clean.
TEST_F(BackupPassTest, AMissingItemIsNamedAndKeptWithItsCutOff)
{
    const std::string cutOff = numberText(dateTimeFromTimePoint(std::chrono::system_clock::now()) - 30);
    struct Case {
        const char *name;
        const char *subDir;
    };
    for (const Case &c : {Case {"/gone.txt", ""}, Case {"/gone-folder", "Yes"}, Case {"/gone-flat", "No"}})
        addItem(source + c.name, c.subDir, true, cutOff);
    writeFile(source + "/here/a.txt", "a", -5);
    addItem(source + "/here", "Yes", true, cutOff);

    const PassOutcome &outcome = runPass();

    ASSERT_EQ(list.count(), 4u);
    EXPECT_EQ(outcome.filesMissed, 3);
    for (std::size_t i = 0; i < 3; ++i) {
        const BackupItem &item = list.at(i);
        EXPECT_TRUE(item.checked()) << item.path();
        EXPECT_EQ(item.text(TextFloat), cutOff) << item.path();
        ASSERT_LT(i, outcome.missed.size());
        EXPECT_EQ(outcome.missed[i].path, item.path());
        EXPECT_NE(outcome.missed[i].cause.find("is not there"), std::string::npos) << outcome.missed[i].cause;
    }
    EXPECT_EQ(readFile(copyOf(medium, source + "/here/a.txt")), "a");
    EXPECT_FALSE(outcome.clean());
    // The saved list still holds them, checked.
    DiskListFile reader(program, [](const std::string &) { return PathKind::Missing; });
    BackupList loaded;
    reader.loadItems(label, loaded);
    EXPECT_EQ(loaded.count(), 4u);
}

TEST_F(BackupPassTest, ItemsThatCannotBeReadAreLeftAlone)
{
    writeFile(source + "/a.txt", "a");
    addItem(source, "Yes", true, "not a number");
    addItem(source + "/../source", "Yes");
    runPass();
    EXPECT_FALSE(exists(copyOf(medium, source + "/a.txt")));
    EXPECT_EQ(list.at(0).text(TextFloat), "not a number");
    EXPECT_EQ(list.at(1).text(TextFloat), "0");
    EXPECT_EQ(ui.fileLine, "Complete...  0 Files Found and Backed Up");
}

TEST_F(BackupPassTest, StopWhileCopyingFinishesTheItem)
{
    for (const char *folder : {"/a", "/b", "/c"}) {
        writeFile(source + folder + "/1.txt", "1");
        writeFile(source + folder + "/2.txt", "2");
        addItem(source + folder, "Yes");
    }
    makeRun();
    ui.onStatus = [&](StatusLine line, const std::string &text) {
        if (line == StatusLine::File && text.rfind(source + "/b/", 0) == 0)
            run->stop();
    };
    startAndWait();

    EXPECT_EQ(ui.fileLine, "Cancelled...  4 Files Found and Backed Up");
    EXPECT_EQ(ui.folderLine, "Folder Scan Cancelled...");
    EXPECT_NE(list.at(1).text(TextFloat), "0") << "the stopped item got its new cut-off";
    EXPECT_EQ(list.at(2).text(TextFloat), "0");
    EXPECT_FALSE(exists(copyOf(medium, source + "/c/1.txt")));
}

TEST_F(BackupPassTest, StopWhileSizingAborts)
{
    for (const char *folder : {"/a", "/b", "/c"}) {
        writeFile(source + folder + "/1.txt", "1");
        addItem(source + folder, "Yes");
    }
    makeRun();
    ui.onStatus = [&](StatusLine line, const std::string &text) {
        if (line == StatusLine::Folder && text == "Scanning .. " + source + "/b")
            run->stop();
    };
    startAndWait();

    EXPECT_EQ(ui.fileLine, "Aborted...  ");
    EXPECT_EQ(ui.folderLine, "Folder Scan Aborted...");
    EXPECT_NE(list.at(0).text(TextFloat), "0");
    EXPECT_EQ(list.at(1).text(TextFloat), "0");
    EXPECT_EQ(list.at(2).text(TextFloat), "0");
    EXPECT_FALSE(exists(copyOf(medium, source + "/b/1.txt")));
}

TEST_F(BackupPassTest, AbortDuringCopyFinishesTheFileInHand)
{
    writeFile(source + "/1.txt", "1");
    writeFile(source + "/2.txt", "2");
    writeFile(source + "/3.txt", "3");
    addItem(source, "Yes");
    makeRun();
    ui.onStatus = [&](StatusLine line, const std::string &text) {
        if (line == StatusLine::File && text.rfind(source + "/", 0) == 0)
            run->abort();
    };
    startAndWait();

    int copied = 0;
    for (const char *name : {"/1.txt", "/2.txt", "/3.txt"})
        copied += exists(copyOf(medium, source + name)) ? 1 : 0;
    EXPECT_EQ(copied, 1);
    EXPECT_EQ(ui.fileLine, "Aborted...  ");
    EXPECT_EQ(list.at(0).text(TextFloat), "0");
}

TEST_F(BackupPassTest, ExcludeToggledDuringThePassKeepsTheCutOff)
{
    // Sized with EXCLUDE on, copied with it off (and the other way round):
    // the copy scan may stop at the sized total before every file it now
    // admits was reached, so the item must not move past them.
    for (const bool excludeAtStart : {true, false}) {
        SCOPED_TRACE(excludeAtStart);
        list.clear();
        writeFile(source + "/a.tmp", "temporary");
        writeFile(source + "/b.txt", "kept");
        addItem(source, "Yes");
        filters.extensions = {".tmp"};
        filters.exclude = excludeAtStart;
        makeRun();
        ui.onStatus = [&](StatusLine line, const std::string &text) {
            if (line == StatusLine::Folder && text == source)
                filters.exclude = !excludeAtStart;
        };
        const PassOutcome &outcome = startAndWait();

        EXPECT_EQ(ui.folderLine, "Folder Scan Complete...");
        EXPECT_EQ(list.at(0).text(TextFloat), "0");
        // Said in the ending and the pass log, not left to a cut-off that
        // silently stayed.
        EXPECT_FALSE(outcome.clean());
        ASSERT_EQ(outcome.missed.size(), 1u);
        EXPECT_EQ(outcome.missed[0].path, source);
        EXPECT_NE(outcome.missed[0].cause.find("EXCLUDE"), std::string::npos);
        EXPECT_NE(readFile(program + "quillarc.log").find("EXCLUDE box was changed"), std::string::npos);
    }
}

TEST_F(BackupPassTest, TotalBarCountsSizedFoldersOnly)
{
    writeFile(source + "/f/1.txt", "1");
    writeFile(source + "/z.txt", "z");
    addItem(source + "/f", "Yes");
    addItem(source + "/z.txt", "");
    runPass();
    EXPECT_EQ(ui.totalBars, std::vector<int>({50}));
}

// A file held with an exclusive lock by someone else is skipped, keeps its
// older copy, and is copied by the next pass even though the cut-off moved.
TEST_F(BackupPassTest, LockedFilesAreCopiedNextTime)
{
    const std::string flocked = source + "/flocked.txt";
    const std::string recordLocked = source + "/record.txt";
    writeFile(flocked, "new");
    writeFile(recordLocked, "new");
    writeFile(copyOf(medium, flocked), "older copy");
    addItem(source, "Yes");

    const int holder = ::open(flocked.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(recordLocked.c_str(), O_RDWR);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        const bool locked = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0;
        char byte = locked ? 'y' : 'n';
        (void)!::write(ready[1], &byte, 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');

    runPass();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(holder);
    ::close(ready[0]);
    ::close(ready[1]);

    EXPECT_EQ(readFile(copyOf(medium, flocked)), "older copy");
    EXPECT_FALSE(exists(copyOf(medium, recordLocked)));
    EXPECT_EQ(ui.fileLine, "Complete...  0 Files Found and Backed Up");

    runPass();
    EXPECT_EQ(readFile(copyOf(medium, flocked)), "new");
    EXPECT_EQ(readFile(copyOf(medium, recordLocked)), "new");
}

// A file changed while the pass runs, in the same clock tick as the cut-off
// is taken, is copied by the next pass.
TEST_F(BackupPassTest, FileChangedDuringThePassIsCopiedNextTime)
{
    writeFile(source + "/a.txt", "a");
    writeFile(source + "/late.txt", "before");
    addItem(source, "Yes");
    makeRun();
    bool touched = false;
    ui.onStatus = [&](StatusLine line, const std::string &) {
        if (line == StatusLine::File && !touched && ui.fileLines.size() > 2) {
            touched = true;
            std::ofstream(source + "/late.txt", std::ios::trunc) << "changed";
        }
    };
    startAndWait();
    ASSERT_TRUE(touched);
    runPass();
    EXPECT_EQ(readFile(copyOf(medium, source + "/late.txt")), "changed");
}

TEST_F(BackupPassTest, WalkStaysInsideItsTree)
{
    writeFile(temp + "/outside/secret.txt", "secret");
    writeFile(source + "/real.txt", "real");
    fs::create_directory_symlink(temp + "/outside", source + "/linkdir");
    fs::create_symlink(source + "/real.txt", source + "/linkfile");
    ASSERT_EQ(::mkfifo((source + "/fifo").c_str(), 0600), 0);
    addItem(source, "Yes");
    runPass();

    EXPECT_FALSE(exists(copyOf(medium, source + "/linkdir")));
    EXPECT_EQ(readFile(copyOf(medium, source + "/linkfile")), "real");
    EXPECT_FALSE(exists(copyOf(medium, source + "/fifo")));
    EXPECT_EQ(ui.fileLine, "Complete...  2 Files Found and Backed Up");
}

// A link on the disk where a folder of copies goes is never followed: it is
// kept as a version, named, and the copies go into a real folder.
TEST_F(BackupPassTest, LinkOnTheBackupDiskCannotRedirectWrites)
{
    writeFile(source + "/a.txt", "a");
    const std::string outside = temp + "/elsewhere";
    fs::create_directories(outside);
    // The disk's first folder of the copy path is a link to somewhere else.
    const std::string first = source.substr(1, source.find('/', 1) - 1);
    fs::create_directory_symlink(outside, medium + first);
    addItem(source, "Yes");
    const PassOutcome &outcome = runPass();

    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(ui.fileLine, "Complete...  1 Files Found and Backed Up");
    EXPECT_EQ(readFile(copyOf(medium, source + "/a.txt")), "a");
    EXPECT_FALSE(fs::is_symlink(medium + first));
    bool linkKept = false;
    for (const auto &stamp : fs::directory_iterator(medium + ".quillarc/versions"))
        linkKept = linkKept || fs::read_symlink(stamp.path() / first) == outside;
    EXPECT_TRUE(linkKept);
    ASSERT_EQ(outcome.notes.size(), 1u);
    EXPECT_NE(outcome.notes[0].cause.find("an older copy, a symbolic link, was in the way"), std::string::npos)
        << outcome.notes[0].cause;
}

TEST_F(BackupPassTest, MediumInsideTheTreeIsNotCopiedIntoItself)
{
    writeFile(source + "/a.txt", "a");
    const std::string inner = source + "/backupdisk/";
    fs::create_directories(inner);
    host.insert(kDrive, {inner, label, std::int64_t {1} << 30, std::nullopt});
    addItem(source, "Yes");
    runPass();
    EXPECT_TRUE(exists(copyOf(inner, source + "/a.txt")));
    EXPECT_FALSE(exists(copyOf(inner, inner + "tmp")));
    EXPECT_FALSE(exists(copyOf(inner, source + "/backupdisk")));
}

} // namespace
} // namespace quillarc

namespace quillarc {
namespace {

TEST_F(BackupPassTest, FolderOfEmptyFilesIsCopied)
{
    writeFile(source + "/empty-1", "");
    writeFile(source + "/sub/empty-2", "");
    addItem(source, "Yes");
    runPass();
    EXPECT_TRUE(exists(copyOf(medium, source + "/empty-1")));
    EXPECT_TRUE(exists(copyOf(medium, source + "/sub/empty-2")));
    EXPECT_EQ(ui.fileLine, "Complete...  2 Files Found and Backed Up");
}

// A sparse file is judged by the data it holds, not its length: two disk
// images of 5 GiB each holding 1 MiB fit a 1 GiB disk with room to spare,
// are neither named as too large nor make the pass ask for more disks, and
// their copies keep their length (past 4 GiB) and their holes.
TEST_F(BackupPassTest, SparseFilesTakeTheRoomOfTheirData)
{
    const std::int64_t length = std::int64_t {5} << 30;
    const std::string data(std::size_t {1} << 20, 'd');
    for (const char *name : {"/image1", "/image2"}) {
        writeFile(source + name, "");
        const int fd = ::open((source + name).c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, data.data(), data.size(), std::int64_t {9} << 29), static_cast<ssize_t>(data.size()));
        ASSERT_EQ(::ftruncate(fd, length), 0);
        ::close(fd);
    }
    addItem(source, "Yes");
    host.insert(kDrive, {medium, label, std::int64_t {1} << 30, std::int64_t {512} << 20});
    const PassOutcome &outcome = runPass(); // a room question would be answered Cancel
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(run->state().FolderBytesTotal.get(), std::int64_t {2} << 20);
    EXPECT_EQ(outcome.filesMissed, 0);
    EXPECT_EQ(ui.fileLine, "Complete...  2 Files Found and Backed Up");
    for (const char *name : {"/image1", "/image2"}) {
        struct stat copy {};
        ASSERT_EQ(::stat(copyOf(medium, source + name).c_str(), &copy), 0);
        EXPECT_EQ(copy.st_size, length);
        EXPECT_LT(copy.st_blocks * 512, std::int64_t {4} << 20) << "the holes stay holes";
    }
}

// A failure raised in the middle of an item (here by the window) ends the
// pass with the write-error row instead of ending the program.
TEST_F(BackupPassTest, FailureInTheMiddleEndsThePassTheUsualWay)
{
    writeFile(source + "/a", "a");
    addItem(source, "Yes");
    ui.onStatus = [&](StatusLine line, const std::string &text) {
        if (line == StatusLine::Folder && text == source)
            throw std::runtime_error("I/O error 5");
    };
    const PassOutcome &outcome = runPass();
    EXPECT_EQ(ui.passesEnded, 1);
    EXPECT_EQ(ui.messages, std::vector<std::string>({"I/O error 5."}));
    EXPECT_EQ(ui.fileLine, "Error Writing to Disk...  0 Files Found and Backed Up");
    EXPECT_EQ(outcome.end, PassEnd::WriteError);
    EXPECT_EQ(list.at(0).text(TextFloat), "0");
    EXPECT_TRUE(exists(listFile->pathFor(label)));
}

TEST_F(BackupPassTest, WorkerThreadHandsThePassBack)
{
    writeFile(source + "/a", "a");
    addItem(source, "Yes");
    makeRun();
    ASSERT_TRUE(run->start());
    run->wait();
    EXPECT_EQ(ui.passesEnded, 1);
    run->finished();
    EXPECT_EQ(ui.deliveredFileLine, "Complete...  1 Files Found and Backed Up");
    EXPECT_EQ(run->outcome().filesCopied, 1);
    EXPECT_TRUE(run->outcome().clean());
}

// A file moved or unpacked into a backed-up folder keeps its old
// modification time; it arrived after the cut-off all the same.
TEST_F(BackupPassTest, AFileThatArrivesWithAnOldTimeIsCopied)
{
    fs::create_directories(source + "/inbox");
    addItem(source + "/inbox", "Yes");
    runPass();
    writeFile(temp + "/elsewhere/old.txt", "from 2001");
    const struct timespec y2001[2] = {{0, UTIME_OMIT}, {978307200, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (temp + "/elsewhere/old.txt").c_str(), y2001, 0), 0);
    fs::rename(temp + "/elsewhere/old.txt", source + "/inbox/old.txt");
    clock.shift = std::chrono::seconds(10);
    runPass();
    EXPECT_EQ(readFile(copyOf(medium, source + "/inbox/old.txt")), "from 2001");
    struct stat st {};
    ASSERT_EQ(::stat(copyOf(medium, source + "/inbox/old.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 978307200) << "the copy keeps the modification time";
}

// A log written to all the time is still backed up: the copy holds it as
// read, the log names it, and the cut-off stays below it for the next pass.
TEST_F(BackupPassTest, AFileWrittenToWhileItIsReadIsKeptAsRead)
{
    const std::string growing = source + "/app.log";
    writeFile(growing, std::string(std::size_t {16} << 20, 'l'));
    addItem(source, "Yes");
    std::atomic<bool> passOver {false};
    std::atomic<bool> writing {false};
    std::thread writer([&] {
        std::ofstream out(growing, std::ios::app | std::ios::binary);
        while (!passOver.load()) {
            out << "one more line\n" << std::flush;
            writing.store(true);
        }
    });
    while (!writing.load())
        std::this_thread::yield();
    // On a busy machine the writer may get no turn while a pass reads the
    // file; the file keeps changing, so the next pass reads it again.
    const PassOutcome *seen = nullptr;
    for (int pass = 0; pass < 20 && !seen; ++pass) {
        const PassOutcome &tried = runPass();
        if (!tried.notes.empty() || tried.filesMissed != 0)
            seen = &tried;
    }
    passOver.store(true);
    writer.join();
    ASSERT_NE(seen, nullptr) << "the file never changed while it was read";
    const PassOutcome &outcome = *seen;

    EXPECT_EQ(outcome.end, PassEnd::Complete);
    EXPECT_EQ(outcome.filesCopied, 1);
    EXPECT_EQ(outcome.filesMissed, 0);
    ASSERT_EQ(outcome.notes.size(), 1u);
    EXPECT_EQ(outcome.notes[0].path, growing);
    EXPECT_GE(fs::file_size(copyOf(medium, growing)), std::uintmax_t {16} << 20);
    struct stat now {};
    ASSERT_EQ(::stat(growing.c_str(), &now), 0);
    EXPECT_LT(parseNumberText(list.at(0).text(TextFloat)), dateTimeFromTimespec(now.st_mtim))
        << "held below the file, which changed";
    EXPECT_NE(readFile(program + "quillarc.log").find("  note " + growing), std::string::npos);
}

// A private folder stays private on the disk: its copy is no more open than
// the source, so another user cannot read there what they could not read here.
TEST_F(BackupPassTest, FoldersKeepTheirPermissionBits)
{
    writeFile(source + "/private/key", "secret");
    writeFile(source + "/shared/open.txt", "open");
    ::chmod((source + "/private").c_str(), 0700);
    ::chmod((source + "/shared").c_str(), 0755);
    addItem(source, "Yes");
    runPass();
    struct stat st {};
    ASSERT_EQ(::stat(copyOf(medium, source + "/private").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(::stat(copyOf(medium, source + "/shared").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(readFile(copyOf(medium, source + "/private/key")), "secret");

    if (::geteuid() != 0)
        return;
    // As root, as cp -a: owners, and set-id and sticky bits, are kept.
    writeFile(source + "/shared/tool", "#!/bin/sh\n");
    ASSERT_EQ(::chown((source + "/shared/tool").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod((source + "/shared/tool").c_str(), 04755), 0);
    ASSERT_EQ(::chown((source + "/private").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod((source + "/private").c_str(), 01700), 0);
    fs::remove_all(copyOf(medium, source));
    runPass();
    ASSERT_EQ(::stat(copyOf(medium, source + "/shared/tool").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 04755u);
    EXPECT_EQ(st.st_uid, 65534u);
    ASSERT_EQ(::stat(copyOf(medium, source + "/private").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 01700u);
    EXPECT_EQ(st.st_gid, 65534u);
}

// A folder that became a file, and a file that became a folder: the older
// copy of the other kind is kept as a version, never deleted, the log says
// so, and the new one is copied; later items are still reached.
TEST_F(BackupPassTest, AnOlderCopyOfAnotherKindIsMovedAside)
{
    writeFile(source + "/was-folder", "now a file");
    writeFile(source + "/was-file/inside.txt", "now in a folder");
    writeFile(source + "/z-later.txt", "later");
    writeFile(copyOf(medium, source + "/was-folder/old.txt"), "old copy in a folder");
    writeFile(copyOf(medium, source + "/was-file"), "old copy of a file");
    addItem(source, "Yes");

    const PassOutcome &outcome = runPass();

    EXPECT_EQ(outcome.end, PassEnd::Complete);
    EXPECT_EQ(outcome.filesMissed, 0);
    EXPECT_EQ(readFile(copyOf(medium, source + "/was-folder")), "now a file");
    EXPECT_EQ(readFile(copyOf(medium, source + "/was-file/inside.txt")), "now in a folder");
    EXPECT_EQ(readFile(copyOf(medium, source + "/z-later.txt")), "later");
    EXPECT_EQ(keptVersions(source + "/was-folder/old.txt"), std::vector<std::string>({"old copy in a folder"}));
    EXPECT_EQ(keptVersions(source + "/was-file"), std::vector<std::string>({"old copy of a file"}));
    const std::string log = readFile(program + "quillarc.log");
    EXPECT_NE(log.find("an older copy, a folder, was in the way and was kept as a version: .quillarc/versions/"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("an older copy, a file, was in the way and was kept as a version: .quillarc/versions/"),
              std::string::npos)
        << log;
}

// A sparse file stays sparse: 5 GiB with two small islands of data takes
// about as little room on the disk as at the source.
TEST_F(BackupPassTest, SparseFilesStaySparse)
{
    const std::string sparse = source + "/disk.img";
    {
        std::ofstream(sparse, std::ios::binary) << "";
    }
    const int fd = ::open(sparse.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "head", 4, 0), 4);
    ASSERT_EQ(::pwrite(fd, "tail", 4, (std::int64_t {5} << 30) - 4), 4);
    ::close(fd);
    struct stat st {};
    ASSERT_EQ(::stat(sparse.c_str(), &st), 0);
    if (st.st_blocks * 512 >= st.st_size)
        GTEST_SKIP() << "this file system does not keep holes";
    addItem(source, "Yes");
    host.insert(kDrive, {medium, label, std::int64_t {8} << 30, std::int64_t {8} << 30});

    const PassOutcome &outcome = runPass();

    ASSERT_EQ(outcome.filesCopied, 1) << outcome.fileStatus;
    const std::string copy = copyOf(medium, sparse);
    struct stat copied {};
    ASSERT_EQ(::stat(copy.c_str(), &copied), 0);
    EXPECT_EQ(copied.st_size, std::int64_t {5} << 30);
    EXPECT_LT(copied.st_blocks * 512, std::int64_t {1} << 20) << "the holes were written out";
    const int in = ::open(copy.c_str(), O_RDONLY);
    char bytes[4] = {};
    EXPECT_EQ(::pread(in, bytes, 4, (std::int64_t {5} << 30) - 4), 4);
    EXPECT_EQ(std::string(bytes, 4), "tail");
    EXPECT_EQ(::pread(in, bytes, 4, 1 << 20), 4);
    EXPECT_EQ(std::string(bytes, 4), std::string(4, '\0'));
    ::close(in);
}

// The cut-offs never run ahead of the copies: the medium is flushed before
// the list that moves them past the copied files is written.
TEST_F(BackupPassTest, CopiesAreFlushedBeforeTheListClaimsThem)
{
    writeFile(source + "/a.txt", "a");
    addItem(source, "Yes");
    makeRun();
    int flushes = 0;
    bool listWrittenFirst = false;
    run = std::make_unique<BackupRun>(
        RunSetup {list, ui, host, *listFile, clock, filters, DriveRoot(kDrive), label, true, &ui.echo, [&] {
                      ++flushes;
                      listWrittenFirst = listWrittenFirst || exists(listFile->pathFor(label));
                  }});
    startAndWait();
    EXPECT_EQ(flushes, 1);
    EXPECT_FALSE(listWrittenFirst);
    EXPECT_TRUE(exists(listFile->pathFor(label)));
    EXPECT_TRUE(run->outcome().listSaved);
}

// A file that arrives during the copy scan is copied, but cannot stand in
// for a sized file not yet reached: the scan's early end waits until every
// sized file was handed over, so none is left behind with a moved cut-off.
TEST_F(BackupPassTest, AFileArrivingDuringTheCopyDoesNotEndTheScanEarly)
{
    writeFile(source + "/a/1", "x");
    writeFile(source + "/b/2", "y");
    addItem(source, "Yes");
    makeRun();
    std::string arrived;
    ui.onStatus = [&](StatusLine line, const std::string &text) {
        // The copy scan names each folder without a prefix, before listing it.
        if (line == StatusLine::Folder && arrived.empty() && (text == source + "/a" || text == source + "/b")) {
            arrived = text + "/new";
            std::ofstream(arrived) << "z";
        }
    };
    startAndWait();
    ASSERT_FALSE(arrived.empty());
    EXPECT_EQ(readFile(copyOf(medium, source + "/a/1")), "x");
    EXPECT_EQ(readFile(copyOf(medium, source + "/b/2")), "y");
    EXPECT_EQ(readFile(copyOf(medium, arrived)), "z");
}

// A list written under a locale with a decimal comma reads under one with a
// point: the item is backed up, not passed over.
TEST_F(BackupPassTest, ACutOffWithTheOtherDecimalSeparatorReads)
{
    writeFile(source + "/new.txt", "new", 0);
    writeFile(source + "/old.txt", "old", 3 * 86400);
    const DateTime twoDaysAgo = dateTimeFromTimePoint(std::chrono::system_clock::now() - std::chrono::hours(48));
    std::string commaText = numberText(std::floor(twoDaysAgo) + 0.5);
    ASSERT_NE(commaText.find('.'), std::string::npos);
    commaText[commaText.find('.')] = ',';
    addItem(source, "Yes", true, commaText);
    const PassOutcome &outcome = runPass();
    EXPECT_EQ(outcome.filesMissed, 0);
    EXPECT_TRUE(exists(copyOf(medium, source + "/new.txt")));
    EXPECT_EQ(list.at(0).text(TextFloat).find(','), std::string::npos) << "written back in this locale's form";
}

// The kernel's views of processes and devices hold nothing to back up and
// are never entered; they are not folders that "cannot be read" either.
TEST(TreeWalker, PseudoFileSystemsAreNotEntered)
{
    struct Count : TreeVisitor {
        int files = 0, unreadables = 0;
        bool goOn() override { return true; }
        void folder(const std::string &) override {}
        void file(int, const char *, const std::string &, const struct stat &, bool) override { ++files; }
        void unreadable(const std::string &, int) override { ++unreadables; }
    } count;
    TreeWalker().walk("/proc", true, count);
    EXPECT_EQ(count.files, 0);
    EXPECT_EQ(count.unreadables, 0);
}

// A source that cannot be read (a bad sector: EIO from the kernel's copy and
// from a plain read) is that file's fault: it is missed, named, and the pass
// goes on to the other files and items. Only a fault of the disk ends it.
TEST_F(BackupPassTest, AReadErrorOnTheSourceMissesThatFileAlone)
{
    writeFile(source + "/a/bad.bin", "unreadable");
    writeFile(source + "/a/good.txt", "fine");
    writeFile(source + "/b/later.txt", "later");
    addItem(source + "/a", "Yes");
    addItem(source + "/b", "Yes");
    static auto isBad = [](int fd) {
        char path[64];
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
        std::error_code error;
        return fs::read_symlink(path, error).filename() == "bad.bin";
    };
    const SourceReads kept = sourceReads();
    sourceReads().copyRange = [](int in, loff_t *inOffset, int out, loff_t *outOffset, std::size_t length,
                                 unsigned flags) -> ssize_t {
        if (isBad(in)) {
            errno = EIO;
            return -1;
        }
        return ::copy_file_range(in, inOffset, out, outOffset, length, flags);
    };
    sourceReads().pread = [](int fd, void *buffer, std::size_t length, off_t offset) -> ssize_t {
        if (isBad(fd)) {
            errno = EIO;
            return -1;
        }
        return ::pread(fd, buffer, length, offset);
    };
    const PassOutcome outcome = runPass();
    sourceReads() = kept;

    EXPECT_EQ(outcome.end, PassEnd::Complete);
    EXPECT_EQ(ui.fileLine, "Complete...  2 Files Found and Backed Up");
    ASSERT_EQ(outcome.missed.size(), 1u);
    EXPECT_EQ(outcome.missed[0].path, source + "/a/bad.bin");
    EXPECT_EQ(outcome.missed[0].cause, "read error: Input/output error");
    EXPECT_EQ(readFile(copyOf(medium, source + "/b/later.txt")), "later");
    EXPECT_FALSE(exists(copyOf(medium, source + "/a/bad.bin")));
}

// A tree deeper than the descriptors the process may open: the folders out of
// reach are named with the cause, and the pass does not end for them.
TEST_F(BackupPassTest, ATreeDeeperThanTheOpenFileLimitIsNamedNotCancelled)
{
    std::string deep = source;
    for (int level = 0; level < 80; ++level)
        deep += "/d";
    writeFile(deep + "/bottom.txt", "deep");
    writeFile(source + "/top.txt", "top");
    addItem(source, "Yes");
    makeRun();
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &previous), 0);
    int open = 0;
    for (const auto &entry : fs::directory_iterator("/proc/self/fd"))
        open += entry.is_symlink() ? 1 : 0;
    struct rlimit limited = previous;
    limited.rlim_cur = static_cast<rlim_t>(open + 40);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limited), 0);
    const PassOutcome outcome = startAndWait();
    ::setrlimit(RLIMIT_NOFILE, &previous);

    EXPECT_EQ(outcome.end, PassEnd::Complete) << outcome.fileStatus;
    EXPECT_EQ(readFile(copyOf(medium, source + "/top.txt")), "top");
    ASSERT_FALSE(outcome.missed.empty());
    EXPECT_EQ(outcome.missed[0].cause, "cannot be read: Too many open files");
    EXPECT_EQ(list.at(0).text(TextFloat), "0") << "the item keeps its cut-off";
}

// STOP pressed as the pass starts, before the first item's sizing: the
// item had not begun, so STOP stops it as it would during sizing (ABORT),
// and its cut-off stays. It must not move with nothing copied.
TEST_F(BackupPassTest, StopBeforeAnItemIsSizedKeepsItsCutOff)
{
    // Enough files that the sizing scan outlasts the STOP below by far.
    for (int i = 0; i < 2000; ++i)
        writeFile(source + "/many/f" + std::to_string(i), "x");
    addItem(source + "/many", "Yes");
    makeRun();
    ASSERT_TRUE(run->start());
    run->stop();
    run->wait();
    run->finished();
    EXPECT_EQ(ui.fileLine, "Aborted...  ");
    EXPECT_EQ(list.at(0).text(TextFloat), "0");
}

// After the clocks go back, 02:00 to 03:00 runs twice. A cut-off of 02:45
// taken in the first run stands for its earliest instant, so a file changed
// at 02:10 in the second run is later, and qualifies.
TEST(CutOffTest, ARepeatedLocalHourHidesNoChange)
{
    const test::ScopedTimeZone berlin("CET-1CEST,M3.5.0,M10.5.0/3");
    const DateTime cutOff = EncodeDate(2024, 10, 27) + EncodeTime(2, 45, 0);
    const CutOffTest test(CutOff::at(cutOff));
    struct stat st {};
    auto at = [&](time_t seconds) {
        st.st_mtim = {seconds, 0};
        st.st_ctim = {seconds, 0};
        return test.qualifies(st);
    };
    const time_t midnightUtc = 1729987200; // 27 October 2024 00:00 UTC
    EXPECT_FALSE(at(midnightUtc + 40 * 60)) << "02:40, first run: before the cut-off";
    EXPECT_TRUE(at(midnightUtc + 50 * 60)) << "02:50, first run";
    EXPECT_TRUE(at(midnightUtc + 70 * 60)) << "02:10, second run";
    EXPECT_TRUE(CutOffTest().qualifies(st));
    st.st_mtim = {midnightUtc, 0};
    st.st_ctim = {midnightUtc + 3 * 3600, 0};
    EXPECT_TRUE(test.qualifies(st)) << "a status change after the cut-off counts too";
}

} // namespace
} // namespace quillarc

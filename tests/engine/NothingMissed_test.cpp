// A pass must not miss a file it was asked for: content changed under an
// old size and time, folders moved into the tree, names that look like the
// program's own, the disk's own files, files no disk can hold, empty folders.

#include "engine/support/PassFixture.h"

#include "engine/SeenFolders.h"
#include "lists/DateTime.h"
#include "lists/DateTimeText.h"
#include "lists/Locale.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

std::string readWhole(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class NothingMissedTest : public PassFixture {
protected:
    /// A cut-off `seconds` before now, as the list holds it.
    static std::string cutOffAgo(int seconds)
    {
        return numberText(dateTimeFromTimePoint(std::chrono::system_clock::now() - std::chrono::seconds(seconds)));
    }
    std::int64_t stampOf(const std::string &path, bool modification = true)
    {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        const struct timespec &t = modification ? st.st_mtim : st.st_ctim;
        return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
    }
};

// New content under the old size and modification time (an encrypted
// container, a database, `touch -r` after an edit) moves the status-change
// time only; the copy on the disk is older than that change and is
// replaced.
TEST_F(NothingMissedTest, ContentChangedUnderItsOldSizeAndTimeIsCopied)
{
    const std::string file = source + "/vault.img";
    writeFile(file, "first content");
    addItem(source, "Yes");
    runPass();
    ASSERT_EQ(readFile(copyOf(medium, file)), "first content");

    const std::int64_t mtime = stampOf(file);
    list.setCutOffValue(list.at(0), dateTimeFromTimePoint(std::chrono::system_clock::now() - std::chrono::seconds(30)));
    writeFile(file, "other content");
    const struct timespec keep[2] = {{0, UTIME_OMIT}, {mtime / 1000000000, mtime % 1000000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), keep, 0), 0);
    ASSERT_EQ(stampOf(file), mtime);

    runPass();
    EXPECT_EQ(readFile(copyOf(medium, file)), "other content");
    EXPECT_EQ(ui.fileLine, "Complete...  1 Files Found and Backed Up");
}

// A folder moved into the tree, at any depth, or renamed within it, brings
// files whose own times lie before the cut-off: every one is copied. The
// cut-off here lies after those files' status changes, so only knowing
// which folders the last pass saw can find them.
TEST_F(NothingMissedTest, FoldersMovedOrRenamedIntoTheTreeAreCopied)
{
    const std::string tree = source + "/tree";
    writeFile(tree + "/kept.txt", "kept");
    writeFile(tree + "/a/b/c/deep.txt", "deep");
    writeFile(tree + "/old-name/inner/x.txt", "x");
    writeFile(temp + "/outside/project/src/main.c", "main");
    writeFile(temp + "/outside/project/README", "readme");
    writeFile(temp + "/outside/top/t.txt", "t");
    addItem(tree, "Yes");
    clock.shift = std::chrono::seconds(30);
    runPass();
    ASSERT_EQ(ui.fileLine, "Complete...  3 Files Found and Backed Up");
    struct stat record {};
    ASSERT_EQ(::stat((program + SeenFolders::fileName(label)).c_str(), &record), 0);
    EXPECT_EQ(record.st_mode & 07777, 0600u) << "it names private folders too";

    fs::rename(temp + "/outside/project", tree + "/a/b/c/project");
    fs::rename(temp + "/outside/top", tree + "/top");
    fs::rename(tree + "/old-name", tree + "/new-name");
    clock.shift = std::chrono::seconds(60);
    const PassOutcome &outcome = runPass();

    EXPECT_EQ(readFile(copyOf(medium, tree + "/a/b/c/project/src/main.c")), "main");
    EXPECT_EQ(readFile(copyOf(medium, tree + "/a/b/c/project/README")), "readme");
    EXPECT_EQ(readFile(copyOf(medium, tree + "/top/t.txt")), "t");
    EXPECT_EQ(readFile(copyOf(medium, tree + "/new-name/inner/x.txt")), "x");
    EXPECT_EQ(ui.fileLine, "Complete...  4 Files Found and Backed Up");
    EXPECT_TRUE(outcome.clean());

    // Seen now: the next pass has nothing to copy.
    clock.shift = std::chrono::seconds(90);
    runPass();
    EXPECT_EQ(ui.fileLine, "Complete...  0 Files Found and Backed Up");
}

// Without a record that belongs to the item's cut-off (none yet, one that
// does not read, a cut-off the person set), a folder moved in is still
// found, by its own status change, though its files' times lie before the
// cut-off; files whose copies are current are not written again.
TEST_F(NothingMissedTest, WithoutARecordAMovedFolderIsStillCopied)
{
    struct Case {
        const char *name;
        const char *record; ///< written as the record; nullptr: none
    };
    const Case cases[] = {
        {"no record", nullptr},
        {"cut short", "quillarc folders 1\n"},
        {"garbage", "\x01\x02 not a record"},
        // The older layout knew folders by inode alone: whole, and not read.
        {"older layout", nullptr},
    };
    int round = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string tree = source + "/tree" + std::to_string(round);
        const std::string moved = temp + "/outside" + std::to_string(round++);
        writeFile(tree + "/kept.txt", "kept");
        writeFile(moved + "/deep/er/file.txt", "moved");
        list.clear();
        addItem(tree, "Yes");
        runPass();
        ASSERT_TRUE(exists(copyOf(medium, tree + "/kept.txt")));

        // A cut-off after the moved files' own status changes, before the move.
        struct stat moving {};
        ASSERT_EQ(::stat((moved + "/deep/er/file.txt").c_str(), &moving), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        struct timespec between = moving.st_ctim;
        between.tv_nsec += 20000000;
        if (between.tv_nsec >= 1000000000) {
            between.tv_nsec -= 1000000000;
            ++between.tv_sec;
        }
        list.setCutOffValue(list.at(0), dateTimeFromTimespec(between));
        if (std::string_view(c.name) == "older layout") {
            // It says the moved folder was seen there, by its inode.
            struct stat treeStat {};
            struct stat movedStat {};
            ASSERT_EQ(::stat(tree.c_str(), &treeStat), 0);
            ASSERT_EQ(::stat(moved.c_str(), &movedStat), 0);
            using namespace std::string_literals;
            writeFile(program + SeenFolders::fileName(label), "quillarc folders 1\n"s + "item\0"s + tree + "\0"s +
                                                                  list.at(0).cutOff()->floatText() +
                                                                  "\0"
                                                                  "2\0"
                                                                  "\0"s +
                                                                  std::to_string(treeStat.st_ino) +
                                                                  "\0"
                                                                  "moved\0"s +
                                                                  std::to_string(movedStat.st_ino) +
                                                                  "\0"
                                                                  "end\0"
                                                                  "1\0"s);
        } else if (c.record == nullptr) {
            fs::remove(program + SeenFolders::fileName(label));
        } else {
            writeFile(program + SeenFolders::fileName(label), c.record);
        }
        fs::rename(moved, tree + "/moved");
        runPass();
        EXPECT_EQ(readFile(copyOf(medium, tree + "/moved/deep/er/file.txt")), "moved");
        EXPECT_EQ(ui.fileLine, "Complete...  1 Files Found and Backed Up");
    }
}

TEST(SeenFolders, RoundTripAndCutOffBinding)
{
    const std::string path = (fs::temp_directory_path() / ("quillarc-seen-" + std::to_string(::getpid()))).string();
    SeenFolders record;
    record.setItem("/home/ann/Docs", CutOff::at(45000.5),
                   {{"", {2049, 7, 2}}, {"a\nb", {2049, 7, 3}}, {std::string("c\rd", 3), {66, 0, 4}}});
    record.save(path);
    SeenFolders loaded;
    loaded.load(path);
    const SeenFolders::Folders *folders = loaded.forItem("/home/ann/Docs", CutOff::at(45000.5));
    ASSERT_NE(folders, nullptr);
    EXPECT_EQ(folders->size(), 3u);
    EXPECT_EQ(folders->at("a\nb"), (SeenFolders::FolderId {2049, 7, 3}));
    EXPECT_EQ(folders->at(std::string("c\rd", 3)), (SeenFolders::FolderId {66, 0, 4}));
    EXPECT_EQ(loaded.forItem("/home/ann/Docs", CutOff::at(45000.6)), nullptr) << "another cut-off: no record";
    EXPECT_EQ(loaded.forItem("/home/ann", CutOff::at(45000.5)), nullptr);
    // Cut short anywhere, it does not read at all.
    const std::string whole = readWhole(path);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << whole.substr(0, size);
        SeenFolders cut;
        cut.load(path);
        EXPECT_TRUE(cut.empty()) << size;
    }
    fs::remove(path);
}

// A record of many folders finds each by its path alone: a look-up after
// more were added, a path given twice, and the folders a pass missed in.
TEST(SeenFolders, ARecordOfManyFoldersFindsEachByItsPath)
{
    SeenFolders::Folders folders;
    for (std::uint64_t i = 0; i < 3000; ++i)
        folders.add("dir" + std::to_string(i % 50) + "/sub" + std::to_string(i), {1, 2, static_cast<ino_t>(i)});
    EXPECT_EQ(folders.find("dir7/sub7")->inode, 7u);
    folders.add("", {1, 2, 99999});
    folders.add("dir7/sub7", {1, 2, 12345});
    for (std::uint64_t i = 0; i < 3000; ++i)
        ASSERT_EQ(folders.at("dir" + std::to_string(i % 50) + "/sub" + std::to_string(i)).inode, i) << i;
    EXPECT_EQ(folders.at("").inode, 99999u);
    EXPECT_EQ(folders.find("dir7/sub8"), nullptr);
    EXPECT_EQ(folders.find("dir7/sub7/"), nullptr);
    EXPECT_THROW((void)folders.at("dir7"), std::out_of_range);

    folders.remove({"dir7/sub7", "dir8/sub8", "not there"});
    EXPECT_EQ(folders.find("dir7/sub7"), nullptr);
    EXPECT_EQ(folders.find("dir8/sub8"), nullptr);
    EXPECT_EQ(folders.at("dir9/sub9").inode, 9u);
    EXPECT_EQ(folders.size(), 2999u);
}

// The window may write the record under a locale with a decimal comma and
// the runner read it under one with a point: the same cut-off still finds it.
TEST(SeenFolders, ARecordServesUnderAnotherLocale)
{
    const std::string path = (fs::temp_directory_path() / ("quillarc-seen-l-" + std::to_string(::getpid()))).string();
    {
        const ScopedLocale comma(Locale::fixed("%d.%m.%Y", "%H:%M:%S", ","));
        SeenFolders record;
        record.setItem("/home/ann/Docs", CutOff::at(45000.5), {{"", {2049, 7, 2}}});
        record.save(path);
        EXPECT_NE(readWhole(path).find("45000,5"), std::string::npos) << "the record holds the list's own text";
    }
    const ScopedLocale point(Locale::unitedStates());
    SeenFolders loaded;
    loaded.load(path);
    EXPECT_NE(loaded.forItem("/home/ann/Docs", CutOff::at(45000.5)), nullptr);
    EXPECT_EQ(loaded.forItem("/home/ann/Docs", CutOff()), nullptr);
    fs::remove(path);
}

// Files named like the program's temporary files are backed up like any
// other, and no copy is taken for, or removed as, a temporary file.
TEST_F(NothingMissedTest, NamesLikeTemporaryNamesAreOrdinaryFiles)
{
    writeFile(source + "/X", "x one");
    writeFile(source + "/.quillarc-part-X", "not ours");
    writeFile(source + "/.quillarc-part-.quillarc-part-X", "not ours either");
    addItem(source, "Yes");
    runPass();
    writeFile(source + "/X", "x two");
    list.setCutOffValue(list.at(0), 0);
    runPass();

    EXPECT_EQ(readFile(copyOf(medium, source + "/X")), "x two");
    EXPECT_EQ(readFile(copyOf(medium, source + "/.quillarc-part-X")), "not ours");
    EXPECT_EQ(readFile(copyOf(medium, source + "/.quillarc-part-.quillarc-part-X")), "not ours either");
    EXPECT_EQ(std::distance(fs::directory_iterator(copyOf(medium, source)), fs::directory_iterator()), 3);
}

// An item on the backup disk would nest its copy one level deeper on every
// pass: it is named and passed over, and the other items go on.
TEST_F(NothingMissedTest, AnItemOnTheBackupDiskIsRefused)
{
    writeFile(medium + "stuff/on-disk.txt", "d");
    writeFile(source + "/a.txt", "a");
    addItem(medium + "stuff", "Yes");
    addItem(medium + "stuff/on-disk.txt", "");
    addItem(source, "Yes");
    const PassOutcome &outcome = runPass();

    EXPECT_FALSE(exists(copyOf(medium, medium + "stuff")));
    EXPECT_EQ(readFile(copyOf(medium, source + "/a.txt")), "a");
    ASSERT_EQ(outcome.missed.size(), 2u);
    for (const MissedEntry &missed : outcome.missed)
        EXPECT_NE(missed.cause.find("lies on the backup disk itself"), std::string::npos) << missed.cause;
    EXPECT_EQ(list.at(1).text(TextFloat), "0");
}

// A file larger than an empty disk of this kind is named and passed over:
// no disk would ever take it, so none is asked for.
TEST_F(NothingMissedTest, AFileLargerThanAnyDiskIsNamedNotAskedFor)
{
    const std::string huge(5000, 'h');
    writeFile(source + "/folder/huge.bin", huge);
    writeFile(source + "/folder/small.txt", "s");
    writeFile(source + "/single.bin", huge);
    addItem(source + "/folder", "Yes");
    addItem(source + "/single.bin", "");
    host.insert(kDrive, {medium, label, 4096, 4096});
    const PassOutcome &outcome = runPass();

    EXPECT_TRUE(ui.dialogLabels.empty());
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(readFile(copyOf(medium, source + "/folder/small.txt")), "s");
    ASSERT_EQ(outcome.missed.size(), 2u);
    EXPECT_EQ(outcome.missed[0].path, source + "/folder/huge.bin");
    EXPECT_EQ(outcome.missed[1].path, source + "/single.bin");
    EXPECT_NE(outcome.missed[0].cause.find("larger than an empty backup disk"), std::string::npos);
    EXPECT_EQ(ui.fileLine, "Complete...  1 Files Found and Backed Up");
}

// Empty folders are made on the disk with their bits and times, and a
// folder's copy keeps its source's time once its files are written.
TEST_F(NothingMissedTest, EmptyFoldersAreMadeWithTheirBitsAndTimes)
{
    fs::create_directories(source + "/Mail/new");
    writeFile(source + "/Mail/cur/1.eml", "mail");
    ::chmod((source + "/Mail/new").c_str(), 0700);
    const struct timespec old[2] = {{1400000000, 0}, {1400000000, 500}};
    for (const char *folder : {"/Mail/new", "/Mail/cur", "/Mail"})
        ASSERT_EQ(::utimensat(AT_FDCWD, (source + folder).c_str(), old, 0), 0);
    addItem(source, "Yes");
    runPass();

    struct stat st {};
    ASSERT_EQ(::stat(copyOf(medium, source + "/Mail/new").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    for (const char *folder : {"/Mail/new", "/Mail/cur", "/Mail"})
        EXPECT_EQ(stampOf(copyOf(medium, source + folder)), 1400000000LL * 1000000000 + 500) << folder;
}

} // namespace
} // namespace quillarc

namespace quillarc {
namespace {

// The item "/" (backing up a chroot or a container from inside) mirrors a
// root file ".quillarc-label" onto the disk's own label file. The disk's
// files never receive a copy: the source file is named instead. Run in a
// child process whose root is a temporary folder (needs root for chroot).
TEST(DiskOwnFiles, TheLabelFileNeverReceivesACopy)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "chroot needs root";
    std::string pattern = (fs::temp_directory_path() / "quillarc-chroot-XXXXXX").string();
    const std::string root = ::mkdtemp(pattern.data());
    fs::create_directories(root + "/media/DISK1");
    fs::create_directories(root + "/program");
    fs::create_directories(root + "/etc");
    std::ofstream(root + "/media/DISK1/.quillarc-label") << "DISK1\n";
    std::ofstream(root + "/.quillarc-label") << "the source's own\n";
    std::ofstream(root + "/etc/hosts") << "hosts";
    const std::string before = readWhole(root + "/media/DISK1/.quillarc-label");

    const pid_t child = ::fork();
    if (child == 0) {
        if (::chroot(root.c_str()) != 0 || ::chdir("/") != 0)
            ::_exit(3);
        test::SimulatedVolumeHost host;
        host.insert("/drive/", {"/media/DISK1/", "DISK1", std::int64_t {1} << 30, std::nullopt});
        BackupList list;
        for (const char *path : {"/", "/.quillarc-label"}) {
            BackupItem &item = list.append(path);
            list.setTexts(item, {"0/0/0 0:00", "0", std::string(path) == "/" ? "Yes" : ""});
            list.setChecked(item, true);
        }
        DiskListFile listFile("/program/");
        FileFilters filters;
        ScriptedPassUi ui;
        struct : Clock {
            std::chrono::system_clock::time_point now() const override { return std::chrono::system_clock::now(); }
        } clock;
        BackupRun run(
            RunSetup {list, ui, host, listFile, clock, filters, DriveRoot("/drive/"), "DISK1", false, nullptr});
        if (!run.start())
            ::_exit(4);
        const PassOutcome &outcome = run.wait();
        int named = 0;
        for (const MissedEntry &missed : outcome.missed)
            named += missed.path == "/.quillarc-label" && missed.cause.find("label file") != std::string::npos;
        const bool copied = readWhole("/media/DISK1/etc/hosts") == "hosts";
        ::_exit(named == 2 && copied ? 0 : 5);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readWhole(root + "/media/DISK1/.quillarc-label"), before);
    fs::remove_all(root);
}

} // namespace
} // namespace quillarc

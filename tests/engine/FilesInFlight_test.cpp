// Several files copied at once must land as one file at a time would: in
// the walk's order, on the disk each belongs on, none lost or doubled.

#include "engine/support/PassFixture.h"

#include <fcntl.h>
#include <algorithm>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class FilesInFlightTest : public PassFixture {
protected:
    FilesInFlightTest() { copiesInFlight = 4; }

    std::vector<std::string> writeNumbered(const std::string &folder, int count, std::size_t size)
    {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            names.push_back(folder + "/" + std::to_string(10 + i));
            writeFile(source + names.back(), std::string(size, static_cast<char>('a' + i % 26)));
        }
        return names;
    }

    /// The files in the order the walk handed them to the copy step, which
    /// is the folder's own order, not the names'.
    void recordOrder()
    {
        ui.onStatus = [this](StatusLine line, const std::string &text) {
            if (line == StatusLine::File && text.rfind(source + "/", 0) == 0)
                order.push_back(text.substr(source.size()));
        };
    }
    std::vector<std::string> order;
    void abortAfterTenFiles(std::size_t size);
};

// The disk fills while files are in flight: those before the one that did
// not fit stay on the full disk, that one and every later one go to the
// next disk, and each lands exactly once.
TEST_F(FilesInFlightTest, DiskFillingWithFilesInFlightHandsTheRestOver)
{
    const std::vector<std::string> names = writeNumbered("/b", 9, 100);
    addItem(source + "/b", "Yes");
    host.insert(kDrive, {medium, label, 530, std::nullopt});
    const std::string oldDisk = temp + "/old-disk/";
    ui.confirmAnswers = {true};
    ui.dialogPresses = {{ScriptedPassUi::Press::Ready, [&] {
                             fs::rename(medium, oldDisk);
                             fs::create_directories(medium);
                             host.insert(kDrive, {medium, "DISK2", 5000, std::nullopt});
                         }}};
    recordOrder();
    runPass();

    EXPECT_EQ(ui.fileLine, "Complete...  9 Files Found and Backed Up");
    ASSERT_EQ(order.size(), names.size());
    std::string where;
    for (const std::string &name : order) {
        const bool onOld = exists(copyOf(oldDisk, source + name));
        const bool onNew = exists(copyOf(medium, source + name));
        EXPECT_NE(onOld, onNew) << name << " must be on exactly one disk";
        where += onOld ? 'o' : 'n';
    }
    EXPECT_EQ(where, "ooooonnnn") << "the files after the one that did not fit go to the next disk";
    for (const std::string &name : names) {
        const std::string copy =
            exists(copyOf(oldDisk, source + name)) ? copyOf(oldDisk, source + name) : copyOf(medium, source + name);
        EXPECT_EQ(readFile(copy), readFile(source + name)) << name;
    }
}

// Stopped with files in flight: the files reached before the stop are
// whole on the disk and counted, nothing after them was begun, and the
// item keeps its cut-off, so the next pass copies the rest. Small files
// are run by the walk's own thread, large ones wake the workers.
void FilesInFlightTest::abortAfterTenFiles(std::size_t size)
{
    const std::vector<std::string> names = writeNumbered("", 30, size);
    addItem(source, "Yes");
    makeRun();
    recordOrder();
    ui.onStatus = [&, record = ui.onStatus](StatusLine line, const std::string &text) {
        record(line, text);
        if (order.size() == 10 && line == StatusLine::File)
            run->abort();
    };
    startAndWait();

    EXPECT_EQ(ui.fileLine, "Aborted...  ");
    EXPECT_EQ(list.at(0).text(TextFloat), "0");
    ASSERT_EQ(order.size(), 10u);
    for (const std::string &name : names) {
        if (std::find(order.begin(), order.end(), name) == order.end())
            order.push_back(name); // never reached
    }
    std::string copied;
    for (const std::string &name : order) {
        const std::string copy = copyOf(medium, source + name);
        copied += exists(copy) ? 'c' : '-';
        if (exists(copy)) {
            EXPECT_EQ(readFile(copy), readFile(source + name)) << name;
        }
    }
    EXPECT_EQ(copied, std::string(10, 'c') + std::string(20, '-'));
    EXPECT_EQ(run->outcome().filesCopied, 10);
}

TEST_F(FilesInFlightTest, AbortWithFilesInFlightLeavesWholeCopiesOfAPrefix)
{
    abortAfterTenFiles(3000);
}

TEST_F(FilesInFlightTest, AbortWithLargeFilesOnTheWorkersLeavesWholeCopiesOfAPrefix)
{
    abortAfterTenFiles(300 * 1024);
}

// A file the workers cannot copy as listed (here: locked by another
// program) is copied in turn and named among the misses in its place;
// the files around it land as usual.
TEST_F(FilesInFlightTest, FileLeftToTheCopyInTurnKeepsItsPlace)
{
    const std::vector<std::string> names = writeNumbered("/d", 8, 50);
    addItem(source + "/d", "Yes");
    const int held = ::open((source + names[3]).c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const PassOutcome &outcome = runPass();
    ::close(held);

    ASSERT_EQ(outcome.missed.size(), 1u);
    EXPECT_EQ(outcome.missed[0].path, source + names[3]);
    EXPECT_NE(outcome.missed[0].cause.find("locked"), std::string::npos) << outcome.missed[0].cause;
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(exists(copyOf(medium, source + names[i])), i != 3) << names[i];
    EXPECT_EQ(ui.fileLine, "Complete...  7 Files Found and Backed Up");
}

// Files stay in flight as the walk moves between folders: a folder left
// with files of it in flight gets its times once they are named, and a
// file missed there keeps that folder, and that folder only, unsettled.
TEST_F(FilesInFlightTest, FoldersLeftWithFilesInFlightAreSettledAfterThem)
{
    for (const char *folder : {"/a", "/a/b", "/a/b/c", "/d"})
        writeNumbered(folder, 6, 300 * 1024);
    const int held = ::open((source + "/a/b/12").c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const struct timespec past[2] = {{978'307'200, 0}, {978'307'200, 0}}; // 2001-01-01
    for (const char *folder : {"/a/b/c", "/a/b", "/a", "/d"})
        ASSERT_EQ(::utimensat(AT_FDCWD, (source + folder).c_str(), past, 0), 0) << folder;
    addItem(source, "Yes");
    const PassOutcome &outcome = runPass();
    ::close(held);

    ASSERT_EQ(outcome.missed.size(), 1u);
    EXPECT_EQ(outcome.missed[0].path, source + "/a/b/12");
    auto modified = [&](const char *folder) {
        struct stat st {};
        return ::stat(copyOf(medium, source + folder).c_str(), &st) == 0 ? st.st_mtim.tv_sec : -1;
    };
    EXPECT_EQ(modified("/a/b/c"), 978'307'200);
    EXPECT_EQ(modified("/a"), 978'307'200);
    EXPECT_EQ(modified("/d"), 978'307'200);
    EXPECT_NE(modified("/a/b"), 978'307'200) << "a folder with a miss is settled by the pass that copies it";
    for (const char *folder : {"/a", "/a/b/c", "/d"})
        for (int i = 10; i < 16; ++i) {
            const std::string name = std::string(folder) + "/" + std::to_string(i);
            EXPECT_EQ(readFile(copyOf(medium, source + name)), readFile(source + name)) << name;
        }
}

} // namespace
} // namespace quillarc

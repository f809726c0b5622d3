#include "engine/support/PassFixture.h"

#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class HardLinksTest : public PassFixture {
protected:
    static struct stat statOf(const std::string &path)
    {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st;
    }
    bool sameFile(const std::string &a, const std::string &b) const
    {
        const struct stat first = statOf(copyOf(medium, a));
        const struct stat second = statOf(copyOf(medium, b));
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
};

// Names of one file within an item stay names of one copy on the disk, as
// cp -a keeps them, and stay so when the file changes; a file with one name
// is not linked to anything.
TEST_F(HardLinksTest, NamesOfOneFileStayNamesOfOneCopy)
{
    writeFile(source + "/photo.jpg", "pixels");
    writeFile(source + "/album/photo.jpg", "pixels"); // equal, but another file
    fs::create_directories(source + "/by date");
    ASSERT_EQ(::link((source + "/photo.jpg").c_str(), (source + "/by date/2026.jpg").c_str()), 0);
    ASSERT_EQ(::link((source + "/photo.jpg").c_str(), (source + "/zz.jpg").c_str()), 0);
    addItem(source, "Yes");
    runPass();
    ASSERT_EQ(ui.fileLine, "Complete...  4 Files Found and Backed Up");
    EXPECT_TRUE(sameFile(source + "/photo.jpg", source + "/by date/2026.jpg"));
    EXPECT_TRUE(sameFile(source + "/photo.jpg", source + "/zz.jpg"));
    EXPECT_FALSE(sameFile(source + "/photo.jpg", source + "/album/photo.jpg"));
    EXPECT_EQ(statOf(copyOf(medium, source + "/zz.jpg")).st_nlink, 3u);

    // Changed through one name: every name on the disk shows the change,
    // and no temporary name is left.
    std::ofstream(source + "/zz.jpg", std::ios::trunc) << "new pixels";
    clock.shift = std::chrono::seconds(30);
    runPass();
    EXPECT_EQ(readFile(copyOf(medium, source + "/by date/2026.jpg")), "new pixels");
    EXPECT_TRUE(sameFile(source + "/photo.jpg", source + "/by date/2026.jpg"));
    EXPECT_TRUE(sameFile(source + "/photo.jpg", source + "/zz.jpg"));
    EXPECT_EQ(statOf(copyOf(medium, source + "/photo.jpg")).st_nlink, 3u);
    for (const auto &entry : fs::recursive_directory_iterator(copyOf(medium, source)))
        EXPECT_EQ(entry.path().filename().string().rfind(".quillarc-part-", 0), std::string::npos) << entry.path();
}

// The pass moves to another disk between two names of one file: a link can
// only point at a copy on the same disk, so the later name is a copy of its
// own on the new disk, never a link back to the full one.
TEST_F(HardLinksTest, ANameMetAfterADiskChangeIsCopiedOnTheNewDisk)
{
    // tmpfs lists the newest name first: made in this order, the walk meets
    // "a", the two fillers, then "b".
    const test::TempFolder shm("/dev/shm");
    const std::string tree = shm.folder();
    writeFile(tree + "/origin", std::string(100, 'x'));
    ASSERT_EQ(::link((tree + "/origin").c_str(), (tree + "/b").c_str()), 0);
    writeFile(tree + "/filler2", std::string(100, 'y'));
    writeFile(tree + "/filler1", std::string(100, 'z'));
    ASSERT_EQ(::link((tree + "/origin").c_str(), (tree + "/a").c_str()), 0);
    ASSERT_EQ(::unlink((tree + "/origin").c_str()), 0);
    addItem(tree, "Yes");
    host.insert(kDrive, {medium, label, 230, std::nullopt});
    std::string second;
    ui.confirmAnswers = {true};
    ui.dialogPresses = {{ScriptedPassUi::Press::Ready, [&] { second = insertMedium("DISK2", 1000); }}};
    runPass();

    ASSERT_EQ(ui.fileLine, "Complete...  4 Files Found and Backed Up");
    ASSERT_TRUE(exists(copyOf(medium, tree + "/a")));
    ASSERT_FALSE(exists(copyOf(medium, tree + "/b"))) << "the walk met the names in another order";
    const struct stat onFirst = statOf(copyOf(medium, tree + "/a"));
    const struct stat onSecond = statOf(copyOf(second, tree + "/b"));
    EXPECT_FALSE(onFirst.st_dev == onSecond.st_dev && onFirst.st_ino == onSecond.st_ino);
    EXPECT_EQ(readFile(copyOf(second, tree + "/b")), std::string(100, 'x'));
}

} // namespace
} // namespace quillarc

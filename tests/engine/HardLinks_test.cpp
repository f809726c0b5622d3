#include "engine/support/PassFixture.h"

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

} // namespace
} // namespace quillarc

#include "base/FolderListing.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace quillarc {
namespace {

std::vector<std::string> namesIn(FolderListing &listing)
{
    std::vector<std::string> names;
    while (const dirent *entry = listing.next())
        names.emplace_back(entry->d_name);
    std::sort(names.begin(), names.end());
    return names;
}

// A listing gives every entry but "." and "..", from a path or from a
// descriptor it then owns; a folder that cannot be listed says why.
TEST(FolderListing, ListsByPathOrDescriptorAndOwnsWhatItOpened)
{
    test::TempFolder folder;
    folder.write("a", "1");
    folder.write(".hidden", "2");
    FolderListing byPath(folder.path());
    ASSERT_TRUE(byPath.open());
    EXPECT_EQ(namesIn(byPath), (std::vector<std::string> {".hidden", "a"}));

    const int fd = ::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    {
        FolderListing byDescriptor {UniqueFd(fd)};
        EXPECT_EQ(namesIn(byDescriptor), (std::vector<std::string> {".hidden", "a"}));
    }
    errno = 0;
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1) << "the listing closed the descriptor it was given";
    EXPECT_EQ(errno, EBADF);

    FolderListing missing(folder.file("none"));
    EXPECT_FALSE(missing.open());
    EXPECT_EQ(missing.error(), ENOENT);
    EXPECT_EQ(missing.next(), nullptr);
    FolderListing aFile {UniqueFd(::open(folder.file("a").c_str(), O_RDONLY | O_CLOEXEC))};
    EXPECT_FALSE(aFile.open());
    EXPECT_EQ(aFile.error(), ENOTDIR);
}

} // namespace
} // namespace quillarc

#include "base/FileError.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "support/TempFolder.h"

namespace quillarc {
namespace {

TEST(FileError, CauseTexts)
{
    const std::pair<int, std::string> cases[] = {
        {ENOENT, "File not found"},
        {ENOTDIR, "Invalid filename"},
        {ENAMETOOLONG, "Invalid filename"},
        {EMFILE, "Too many open files"},
        {ENFILE, "Too many open files"},
        {EACCES, "File access denied"},
        {EROFS, "File access denied"},
        {EISDIR, "File access denied"},
        {ENOSPC, "Disk full"},
        {EFBIG, "Disk full"},
        {EDQUOT, "Disk full"},
        {EIO, "I/O error 5"},
    };
    for (const auto &[error, text] : cases) {
        EXPECT_EQ(FileError::causeText(error), text) << error;
        EXPECT_EQ(FileError(error, "/x").what(), text);
    }
}

TEST(FileError, MissingFolderIsAnInvalidFilename)
{
    test::TempFolder folder;
    EXPECT_STREQ(FileError::forPath(ENOENT, folder.file("a.ini")).what(), "File not found");
    EXPECT_STREQ(FileError::forPath(ENOENT, folder.file("gone/a.ini")).what(), "Invalid filename");
    EXPECT_EQ(FileError::forPath(EACCES, folder.file("gone/a.ini")).errorNumber(), EACCES);
}

} // namespace
} // namespace quillarc

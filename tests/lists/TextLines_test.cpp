#include "lists/TextLines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "base/FileError.h"
#include "support/TempFolder.h"

namespace quillarc {
namespace {

TEST(TextLines, ReadingRules)
{
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"abc", {"abc"}},
        {"abc\r\n", {"abc"}},
        {"abc\r", {"abc"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"\r\n\r\n", {"", ""}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\nb\nc\n", {"a\nb\nc\n"}},   // LF alone is an ordinary character
        {"a\r\n\nb\r\n", {"a", "\nb"}}, // only the LF right after CR belongs to the end
        {"a\r\nb\x1a"
         "c\r\nd",
         {"a", "b"}}, // Ctrl-Z ends the file
        {"\x1a"
         "abc",
         {}},
        {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(splitLines(c.bytes), c.lines) << testing::PrintToString(c.bytes);
}

TEST(TextLines, MissingLinesReadEmpty)
{
    LineReader reader("only\r\n");
    EXPECT_EQ(reader.next(), "only");
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.next(), "");
    EXPECT_EQ(reader.next(), "");
}

TEST(TextLines, WritesCrLfAndReadsItBack)
{
    const std::vector<std::string> lines {"C:\\Data", "", "a\nb", "T"};
    const std::string text = joinLinesCrLf(lines);
    EXPECT_EQ(text, "C:\\Data\r\n\r\na\nb\r\nT\r\n");
    EXPECT_EQ(splitLines(text), lines);
    EXPECT_EQ(joinLinesCrLf({}), "");
}

TEST(TextLines, StorableLines)
{
    EXPECT_TRUE(isStorableLine("/home/ann/a\nb"));
    EXPECT_TRUE(isStorableLine(""));
    EXPECT_FALSE(isStorableLine("/home/ann/a\rb"));
    EXPECT_FALSE(isStorableLine("x\x1a"));
}

TEST(TextLines, ReadWholeFileNamesTheCause)
{
    test::TempFolder folder;
    folder.write("f", std::string("x\0y", 3));
    EXPECT_EQ(readWholeFile(folder.file("f")), std::string("x\0y", 3));
    try {
        readWholeFile(folder.file("missing"));
        FAIL();
    } catch (const FileError &error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    try {
        readWholeFile(folder.path());
        FAIL();
    } catch (const FileError &error) {
        EXPECT_STREQ(error.what(), "File access denied");
    }
}

// A list or config file picked by the user, or planted under a label's name,
// may be a device or a pipe: reading one would hang or never end.
TEST(TextLines, ReadWholeFileRefusesWhatIsNotAFile)
{
    test::TempFolder folder;
    const std::string fifo = folder.file("pipe.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A writer that comes and goes, so that a reader that waits for one is
    // released and ends instead of hanging.
    std::thread writer([&fifo] {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
    });
    for (const std::string &path : {std::string("/dev/null"), fifo}) {
        SCOPED_TRACE(path);
        try {
            readWholeFile(path);
            ADD_FAILURE() << "read as a file";
        } catch (const FileError &error) {
            EXPECT_STREQ(error.what(), "Invalid filename");
        }
    }
    // Release the writer if the reader never met it.
    const int release = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer.join();
    if (release >= 0)
        ::close(release);
}

} // namespace
} // namespace quillarc

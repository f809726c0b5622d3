#include "lists/FilterLists.h"

#include <gtest/gtest.h>

#include "base/FileError.h"

namespace quillarc {
namespace {

class FilterListsTest : public testing::Test {
protected:
    std::vector<std::string> extensions;
    std::vector<std::string> patterns;
    int saves = 0;
    FilterLists lists {extensions, patterns, [this] { ++saves; }};
};

TEST_F(FilterListsTest, AddExtension)
{
    std::string edit = FilterLists::lowerCase("TXT");
    EXPECT_EQ(edit, "txt");
    EXPECT_TRUE(lists.addext(edit));
    EXPECT_EQ(edit, "");
    edit = "txt";
    EXPECT_TRUE(lists.addext(edit)); // already there: nothing added, still saved
    EXPECT_EQ(extensions, (std::vector<std::string> {".txt"}));
    EXPECT_EQ(saves, 2);

    const std::pair<std::string, std::string> cases[] = {{"*", ".*"}, {"..txt", "..txt"}, {".bak", ".bak"}};
    for (const auto &[typed, entry] : cases) {
        std::string text = typed;
        lists.addext(text);
        EXPECT_EQ(extensions.back(), entry);
    }
}

TEST_F(FilterListsTest, EmptyEditDoesNothingAndSavesNothing)
{
    std::string edit;
    EXPECT_FALSE(lists.addext(edit));
    EXPECT_FALSE(lists.addpattern(edit));
    EXPECT_TRUE(extensions.empty());
    EXPECT_EQ(saves, 0);
}

TEST_F(FilterListsTest, EntriesAreStoredLowerCaseAndNeverTwice)
{
    std::string edit = ".TMP";
    lists.addext(edit);
    edit = ".tmp";
    lists.addext(edit);
    edit = "~*";
    lists.addpattern(edit);
    edit = "~*";
    lists.addpattern(edit);
    edit = "Cache";
    lists.addpattern(edit);
    edit = ".hidden"; // a pattern keeps its point; no "." is added to patterns
    lists.addpattern(edit);
    EXPECT_EQ(extensions, (std::vector<std::string> {".tmp"}));
    EXPECT_EQ(patterns, (std::vector<std::string> {"~*", "cache", ".hidden"}));
    EXPECT_EQ(saves, 6);
}

TEST_F(FilterListsTest, TextWithALineBreakIsNotAdded)
{
    std::string edit = "a\rb";
    EXPECT_FALSE(lists.addpattern(edit));
    EXPECT_TRUE(patterns.empty());
    EXPECT_EQ(saves, 0);
}

TEST_F(FilterListsTest, RemoveSelected)
{
    extensions = {".tmp", ".bak"};
    patterns = {"~*"};
    EXPECT_FALSE(lists.removeExtension(-1));
    EXPECT_FALSE(lists.removeExtension(2));
    EXPECT_EQ(saves, 0);
    EXPECT_TRUE(lists.removeExtension(0));
    EXPECT_TRUE(lists.removePattern(0));
    EXPECT_EQ(extensions, (std::vector<std::string> {".bak"}));
    EXPECT_TRUE(patterns.empty());
    EXPECT_EQ(saves, 2);
}

TEST(FilterLists, FailedSaveKeepsTheChange)
{
    std::vector<std::string> extensions, patterns;
    FilterLists lists(extensions, patterns, [] { throw FileError(EACCES, "/x/config"); });
    std::string edit = "log";
    EXPECT_THROW(lists.addext(edit), FileError);
    EXPECT_EQ(extensions, (std::vector<std::string> {".log"}));
}

} // namespace
} // namespace quillarc

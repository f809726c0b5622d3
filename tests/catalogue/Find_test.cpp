#include "catalogue/NamePattern.h"
#include "catalogue/support/CatalogueFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace quillarc {
namespace {

class Find : public test::CatalogueFixture {
protected:
    void SetUp() override
    {
        const std::int64_t one = catalogue->disk({"BACKUP1", "u1"});
        const std::int64_t two = catalogue->disk({"BACKUP2", "u2"});
        for (const char *path : {"home/ann/Docs/Report.ODS", "home/ann/Docs/report-2025.ods", "home/ann/Docs/notes.txt",
                                 "home/bob/Pictures/ods.png", "home/ann/Müsic/Café.mp3", "x.c"})
            catalogue->recordCopy(one, record(path, path));
        catalogue->recordCopy(two, record("home/ann/Docs/Report.ODS", "newer", "2026-12-05T100000Z", 9'000'000'000));
    }

    std::set<std::string> paths(const std::string &pattern, bool wholePath) const
    {
        std::set<std::string> found;
        for (const CopyEntry &entry : catalogue->find(pattern, wholePath))
            found.insert(entry.copy.path);
        return found;
    }
};

TEST_F(Find, substringsAndWildcardsWhateverTheCase)
{
    using Paths = std::set<std::string>;
    const struct {
        const char *pattern;
        bool wholePath;
        Paths expected;
    } cases[] = {
        {"report", false, {"home/ann/Docs/Report.ODS", "home/ann/Docs/report-2025.ods"}},
        {"*.ods", false, {"home/ann/Docs/Report.ODS", "home/ann/Docs/report-2025.ods"}},
        {"*.od", false, {}},
        {"r?port.*", false, {"home/ann/Docs/Report.ODS"}},
        {"ods", false, {"home/ann/Docs/Report.ODS", "home/ann/Docs/report-2025.ods", "home/bob/Pictures/ods.png"}},
        {"te", false, {"home/ann/Docs/notes.txt"}},
        {"*.c", false, {"x.c"}},
        {"Café", false, {"home/ann/Müsic/Café.mp3"}},
        {"caf?.mp3", false, {"home/ann/Müsic/Café.mp3"}},
        {"docs", false, {}},
        {"ann/docs", true, {"home/ann/Docs/Report.ODS", "home/ann/Docs/report-2025.ods", "home/ann/Docs/notes.txt"}},
        {"/home/ann/Docs/*.txt", true, {"home/ann/Docs/notes.txt"}},
        {"home/*/ods*", true, {"home/bob/Pictures/ods.png"}},
        {"Docs/*.txt", true, {"home/ann/Docs/notes.txt"}},
        {"/home/ann/docs",
         true,
         {"home/ann/Docs/Report.ODS", "home/ann/Docs/report-2025.ods", "home/ann/Docs/notes.txt"}},
        {"/ann/*", true, {}},
        {"*.c", true, {"x.c"}},
        {"\"quoted", false, {}},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.pattern);
        EXPECT_EQ(paths(test.pattern, test.wholePath), test.expected);
    }
}

TEST_F(Find, answersWithEveryCopyNewestFirst)
{
    const auto entries = catalogue->find("report.ods", false);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].diskLabel, "BACKUP2");
    EXPECT_EQ(entries[1].diskLabel, "BACKUP1");
}

TEST(NamePattern, matchesWholeNamesOrSubstrings)
{
    EXPECT_TRUE(NamePattern("*a*b?c").matches("xxAyyBzC"));
    EXPECT_FALSE(NamePattern("*a*b?c").matches("xxAyyBzCd"));
    EXPECT_TRUE(NamePattern("???").matches("aéb"));
    EXPECT_FALSE(NamePattern("??").matches("aéb"));
    EXPECT_EQ(NamePattern("/home/ann*.ods").longestPlainRun(), "home");
    EXPECT_EQ(trigramQuery("ab"), "");
    EXPECT_EQ(trigramQuery("a\"bc"), "\"a\"\"b\" AND \"\"\"bc\"");
}

// Within a transaction the search indexes take the new names and folders
// in one go as it commits; what rolls back is never indexed, and rows
// added afterwards, with no transaction open, are indexed as they come.
TEST_F(Find, namesRecordedInATransactionAreFoundOnceItCommits)
{
    const std::int64_t disk = catalogue->disk({"BACKUP1", "u1"});
    catalogue->begin();
    catalogue->recordCopy(disk, record("lost/folder/gone.txt", "gone"));
    catalogue->rollback();
    catalogue->begin();
    catalogue->recordCopy(disk, record("work/Ledger/summer.xls", "summer"));
    catalogue->recordCopy(disk, record("work/Ledger/winter.xls", "winter"));
    catalogue->commit();
    catalogue->begin();
    catalogue->recordCopy(disk, record("work/Ledger/spring.xls", "spring"));
    catalogue->commit();
    reopen();
    catalogue->recordCopy(disk, record("loose/autumn.xls", "autumn"));
    using Paths = std::set<std::string>;
    EXPECT_EQ(paths("*.xls", false), (Paths {"work/Ledger/summer.xls", "work/Ledger/winter.xls",
                                             "work/Ledger/spring.xls", "loose/autumn.xls"}));
    EXPECT_EQ(paths("ledger", true),
              (Paths {"work/Ledger/summer.xls", "work/Ledger/winter.xls", "work/Ledger/spring.xls"}));
    EXPECT_EQ(paths("gone", false), Paths {});
    EXPECT_EQ(paths("lost", true), Paths {});
}

} // namespace
} // namespace quillarc

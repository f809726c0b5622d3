#include "catalogue/Catalogue.h"
#include "cli/FindCommand.h"
#include "support/ScopedTimeZone.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quillarc {
namespace {

CopyRecord copyOf(const std::string &path, std::int64_t size, std::int64_t modifiedSeconds, const std::string &stamp)
{
    CopyRecord copy;
    copy.path = path;
    copy.size = size;
    copy.modifiedNs = modifiedSeconds * 1'000'000'000;
    copy.passStamp = stamp;
    return copy;
}

struct Answer {
    int status;
    std::string out;
    std::string err;
};

Answer find(const std::string &programFolder, const std::string &pattern, bool wholePath = false)
{
    PassOptions options;
    options.programFolder = programFolder;
    options.find = pattern;
    options.wholePath = wholePath;
    std::ostringstream out;
    std::ostringstream err;
    const int status = findCopies(options, out, err);
    return {status, out.str(), err.str()};
}

// Every disk is unplugged: the answer comes from the catalogue alone.
TEST(FindCommand, namesTheNewestCopyOlderCopiesAndVersionsAsOfEachDisk)
{
    const test::ScopedTimeZone utc("UTC0");
    test::TempFolder program;
    {
        Catalogue catalogue(program / "catalogue.sqlite");
        const std::int64_t one = catalogue.disk({"BACKUP1", "u1"});
        const std::int64_t two = catalogue.disk({"BACKUP2", "u2"});
        catalogue.diskSeen(one, "2026-12-01T090000Z", 0);
        catalogue.diskSeen(two, "2026-12-08T090000Z", 0);
        // 2026-11-29 12:00 and 2026-12-06 12:00 UTC.
        catalogue.recordCopy(one, copyOf("home/ann/report.ods", 2048, 1'795'953'600, "2026-12-01T090000Z"));
        catalogue.recordCopy(two, copyOf("home/ann/report.ods", 100, 1'796'558'400 - 86'400, "2026-12-06T090000Z"));
        catalogue.recordVersion(two, "home/ann/report.ods", "2026-12-08T090000Z");
        catalogue.recordCopy(two, copyOf("home/ann/report.ods", 3000, 1'796'558'400, "2026-12-08T090000Z"));
        catalogue.recordCopy(one, copyOf("home/ann/other.txt", 1, 1'795'953'600, "2026-12-01T090000Z"));
    }
    const Answer answer = find(program.path(), "REPORT");
    EXPECT_EQ(answer.status, 0) << answer.err;
    EXPECT_EQ(answer.out, "/home/ann/report.ods\n"
                          "  newest copy on BACKUP2: 2026-12-06 12:00, 2.9 KiB (as of 2026-12-08 09:00)\n"
                          "  version on BACKUP2: 2026-12-05 12:00, 100 bytes, kept in the versions of 2026-12-08 09:00 "
                          "(as of 2026-12-08 09:00)\n"
                          "  older copy on BACKUP1: 2026-11-29 12:00, 2.0 KiB (as of 2026-12-01 09:00)\n"
                          "1 file found.\n");
    const Answer folder = find(program.path(), "/home/ann", true);
    EXPECT_NE(folder.out.find("/home/ann/other.txt\n"), std::string::npos) << folder.out;
    EXPECT_NE(folder.out.find("2 files found."), std::string::npos) << folder.out;
    const Answer none = find(program.path(), "*.pdf");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "No file in the catalogue matches *.pdf.\n");
}

TEST(FindCommand, saysWhenThereIsNoCatalogueOrItIsDamaged)
{
    test::TempFolder program;
    const Answer missing = find(program.path(), "a");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("there is no catalogue yet"), std::string::npos) << missing.err;
    EXPECT_FALSE(program.exists("catalogue.sqlite"));

    program.write("catalogue.sqlite", "garbage that is no database");
    const Answer damaged = find(program.path(), "a");
    EXPECT_EQ(damaged.status, 2);
    EXPECT_NE(damaged.err.find("is damaged or is not a catalogue"), std::string::npos) << damaged.err;
    EXPECT_EQ(program.read("catalogue.sqlite"), "garbage that is no database");
}

} // namespace
} // namespace quillarc

#include "catalogue/RestorePlan.h"

#include "catalogue/Catalogue.h"
#include "support/TempFolder.h"

#include "support/ScopedTimeZone.h"

#include <gtest/gtest.h>

namespace quillarc {
namespace {

// A copy on a disk: ids 1 and 2 are the two disks of a spanned set.
CopyEntry copyOf(std::int64_t disk, const std::string &path, const std::string &stamp, std::uint64_t content,
                 const std::string &version = {}, std::int64_t size = 10)
{
    CopyEntry entry;
    entry.diskId = disk;
    entry.diskLabel = disk == 1 ? "SET-A" : "SET-B";
    entry.diskLastSeen = "2026-12-10T000000Z";
    entry.copy.path = path;
    entry.copy.size = size;
    entry.copy.hash = {0, content};
    entry.copy.passStamp = stamp;
    entry.versionStamp = version;
    return entry;
}

const std::string kMonday = "2026-12-07T100000Z";
const std::string kTuesday = "2026-12-08T100000Z";
const std::string kWednesday = "2026-12-09T100000Z";

// a.txt: Monday's copy became a version on Tuesday; b.txt only on disk 2;
// c.txt made on Wednesday only.
std::vector<CopyEntry> spannedSet()
{
    return {
        copyOf(1, "home/ann/Docs/a.txt", kMonday, 1, kTuesday), copyOf(1, "home/ann/Docs/a.txt", kTuesday, 2),
        copyOf(2, "home/ann/Docs/sub/b.txt", kMonday, 3),       copyOf(1, "home/ann/Docs/c.txt", kWednesday, 4),
        copyOf(1, "home/ann/Docs2/d.txt", kMonday, 5),
    };
}

struct Chosen {
    std::string target;
    std::string label;
    std::uint64_t content;
    std::string pathOnDisk;
};

std::vector<Chosen> flatten(const RestorePlan &plan)
{
    std::vector<Chosen> files;
    for (const DiskPlan &disk : plan.disks)
        for (const PlannedFile &file : disk.files)
            files.push_back({file.target, disk.label, file.source.copy.hash.low, file.pathOnDisk()});
    return files;
}

TEST(RestorePlan, ChoosesTheCopyThatStoodAtTheDate)
{
    struct Case {
        std::string asOf;
        std::vector<std::uint64_t> contents; // in target order: a, c, sub/b
    };
    const std::vector<Case> cases = {
        {"", {2, 4, 3}},   {kWednesday, {2, 4, 3}},    {"2026-12-08T235959Z", {2, 3}},
        {kMonday, {1, 3}}, {"2026-12-01T000000Z", {}},
    };
    for (const Case &c : cases) {
        const RestorePlan plan = planRestore({{"/home/ann/Docs"}, c.asOf, {}}, spannedSet());
        std::vector<std::pair<std::string, std::uint64_t>> got;
        for (const Chosen &file : flatten(plan))
            got.emplace_back(file.target, file.content);
        std::sort(got.begin(), got.end());
        std::vector<std::uint64_t> contents;
        for (const auto &g : got)
            contents.push_back(g.second);
        EXPECT_EQ(contents, c.contents) << "as of " << c.asOf;
        EXPECT_EQ(plan.notFound.empty(), !c.contents.empty()) << "as of " << c.asOf;
    }
}

TEST(RestorePlan, GroupsByDiskWithBytesAndVersionPaths)
{
    std::vector<CopyEntry> copies = spannedSet();
    copies.push_back(copyOf(2, "home/ann/Docs/big", kMonday, 7, {}, 5'000'000'000));
    const RestorePlan plan = planRestore({{"/home/ann/Docs"}, kMonday, {}}, copies);
    ASSERT_EQ(plan.disks.size(), 2U);
    EXPECT_EQ(plan.disks[0].label, "SET-A");
    EXPECT_EQ(plan.disks[0].bytes, 10);
    EXPECT_EQ(plan.disks[1].label, "SET-B");
    EXPECT_EQ(plan.disks[1].bytes, 5'000'000'010);
    EXPECT_EQ(plan.totalBytes(), 5'000'000'020);
    EXPECT_EQ(plan.fileCount(), 3U);
    EXPECT_EQ(plan.disks[0].files[0].pathOnDisk(), ".quillarc/versions/2026-12-08T100000Z/home/ann/Docs/a.txt");
    EXPECT_EQ(plan.disks[1].files[0].pathOnDisk(), "home/ann/Docs/big");
}

TEST(RestorePlan, PlacesFilesAtTheOriginOrBelowTheChosenFolder)
{
    struct Case {
        std::vector<std::string> paths;
        std::string to;
        std::vector<std::string> targets;
    };
    const std::vector<Case> cases = {
        {{"/home/ann/Docs"}, "", {"/home/ann/Docs/a.txt", "/home/ann/Docs/c.txt", "/home/ann/Docs/sub/b.txt"}},
        {{"/home/ann/Docs/"},
         "/srv/back/",
         {"/srv/back/Docs/a.txt", "/srv/back/Docs/c.txt", "/srv/back/Docs/sub/b.txt"}},
        {{"/home/ann/Docs/sub/b.txt"}, "/srv", {"/srv/b.txt"}},
        // Chosen twice: the outer choice keeps its tree.
        {{"/home/ann/Docs/sub", "/home/ann"},
         "/srv",
         {"/srv/ann/Docs/a.txt", "/srv/ann/Docs/c.txt", "/srv/ann/Docs/sub/b.txt", "/srv/ann/Docs2/d.txt"}},
        {{"/"},
         "/srv",
         {"/srv/home/ann/Docs/a.txt", "/srv/home/ann/Docs/c.txt", "/srv/home/ann/Docs/sub/b.txt",
          "/srv/home/ann/Docs2/d.txt"}},
    };
    for (const Case &c : cases) {
        std::vector<std::string> targets;
        for (const Chosen &file : flatten(planRestore({c.paths, {}, c.to}, spannedSet())))
            targets.push_back(file.target);
        std::sort(targets.begin(), targets.end());
        EXPECT_EQ(targets, c.targets) << c.paths.front() << " to " << c.to;
    }
}

TEST(RestorePlan, NamesWhatItCannotFind)
{
    const RestorePlan plan = planRestore(
        {{"/home/ann/Doc", "/home/ann/Docs/c.txt", "relative/path", "/home/../etc"}, kTuesday, {}}, spannedSet());
    EXPECT_EQ(plan.fileCount(), 0U);
    EXPECT_EQ(plan.notFound,
              (std::vector<std::string> {"relative/path", "/home/../etc", "/home/ann/Doc", "/home/ann/Docs/c.txt"}));
}

TEST(RestorePlan, OffersCopiesOfTheSameContentFirst)
{
    const std::vector<CopyEntry> copies = {
        copyOf(1, "f", kWednesday, 9),
        copyOf(1, "f", kMonday, 8, kTuesday),
        copyOf(2, "f", kTuesday, 9, kWednesday),
    };
    const RestorePlan plan = planRestore({{"/f"}, {}, {}}, copies);
    ASSERT_EQ(plan.fileCount(), 1U);
    const PlannedFile &file = plan.disks[0].files[0];
    EXPECT_EQ(file.source.diskId, 1);
    ASSERT_EQ(file.alternatives.size(), 2U);
    EXPECT_EQ(file.alternatives[0].diskId, 2);
    EXPECT_EQ(file.alternatives[1].copy.hash.low, 8U);
}

TEST(RestorePlan, ReadsDatesAsTheEndOfTheLocalDayOrMinute)
{
    const test::ScopedTimeZone zone("CET-1");
    EXPECT_EQ(asOfStampFromText("2026-12-08"), "2026-12-08T225959Z");
    EXPECT_EQ(asOfStampFromText("2026-12-08 09:30"), "2026-12-08T083059Z");
    EXPECT_EQ(asOfStampFromText("2026-12-08T083000Z"), "2026-12-08T083000Z");
    for (const char *bad : {"", "yesterday", "2026-02-30", "2026-13-01", "2026-12-08 25:00", "2026-12-08x"})
        EXPECT_EQ(asOfStampFromText(bad), std::nullopt) << bad;
}

TEST(RestorePlan, FromACatalogueWithVersionsOnTwoDisks)
{
    test::TempFolder folder;
    Catalogue catalogue(folder / "catalogue.sqlite");
    const std::int64_t first = catalogue.disk({"SET-A", "uuid-a"});
    const std::int64_t second = catalogue.disk({"SET-B", "uuid-b"});
    const auto record = [&](std::int64_t disk, const std::string &path, const std::string &stamp,
                            std::uint64_t content) {
        CopyRecord copy;
        copy.path = path;
        copy.size = 4;
        copy.hash = {0, content};
        copy.passStamp = stamp;
        catalogue.recordCopy(disk, copy);
    };
    record(first, "home/ann/Docs/a.txt", kMonday, 1);
    catalogue.recordVersion(first, "home/ann/Docs/a.txt", kTuesday);
    record(first, "home/ann/Docs/a.txt", kTuesday, 2);
    record(second, "home/ann/Docs/sub/b.txt", kMonday, 3);
    record(second, "home/ann/Docs2/c.txt", kMonday, 4);

    const RestorePlan plan = planRestore({{"/home/ann/Docs", "/home/ann/Docs/sub"}, kMonday, "/srv"}, catalogue);
    ASSERT_EQ(plan.disks.size(), 2U);
    EXPECT_EQ(plan.disks[0].label, "SET-A");
    ASSERT_EQ(plan.disks[0].files.size(), 1U);
    EXPECT_EQ(plan.disks[0].files[0].pathOnDisk(), ".quillarc/versions/" + kTuesday + "/home/ann/Docs/a.txt");
    EXPECT_EQ(plan.disks[0].files[0].target, "/srv/Docs/a.txt");
    ASSERT_EQ(plan.disks[1].files.size(), 1U);
    EXPECT_EQ(plan.disks[1].files[0].target, "/srv/Docs/sub/b.txt");
    EXPECT_EQ(planRestore({{"/home/ann/Docs"}, {}, {}}, catalogue).disks[0].files[0].source.copy.hash.low, 2U);
}

} // namespace
} // namespace quillarc

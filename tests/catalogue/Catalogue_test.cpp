#include "catalogue/CatalogueSchema.h"
#include "catalogue/support/CatalogueFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sqlite3.h>
#include <sys/stat.h>

namespace quillarc {
namespace {

using Catalogue_ = test::CatalogueFixture;

std::vector<std::string> describe(const std::vector<CopyEntry> &entries)
{
    std::vector<std::string> lines;
    for (const CopyEntry &entry : entries)
        lines.push_back(entry.copy.path + " " + entry.diskLabel +
                        (entry.versionStamp.empty() ? "" : " v" + entry.versionStamp));
    return lines;
}

TEST_F(Catalogue_, recordsReplacesAndForgetsTheCurrentCopyAcrossReopening)
{
    const std::int64_t one = catalogue->disk({"BACKUP1", "uuid-1"});
    const std::int64_t two = catalogue->disk({"BACKUP2", ""});
    const CopyRecord first = record("home/ann/Docs/a.txt", "first");
    catalogue->recordCopy(one, first);
    EXPECT_EQ(catalogue->copyAt(one, "home/ann/Docs/a.txt"), first);
    EXPECT_FALSE(catalogue->copyAt(two, "home/ann/Docs/a.txt"));
    EXPECT_FALSE(catalogue->copyAt(one, "home/ann/Docs"));

    const CopyRecord second = record("home/ann/Docs/a.txt", "second, longer", "2026-12-02T100000Z", 2'000'000'000);
    catalogue->recordCopy(one, second);
    catalogue->recordCopy(one, record("top.txt", "at the root"));
    reopen();
    EXPECT_EQ(catalogue->copyAt(one, "home/ann/Docs/a.txt"), second);
    EXPECT_EQ(catalogue->copyAt(one, "top.txt"), record("top.txt", "at the root"));

    catalogue->forgetCopy(one, "home/ann/Docs/a.txt");
    EXPECT_FALSE(catalogue->copyAt(one, "home/ann/Docs/a.txt"));
    EXPECT_TRUE(catalogue->copyAt(one, "top.txt"));
}

TEST_F(Catalogue_, knowsADiskByItsUuidElseByItsLabel)
{
    const std::int64_t byLabel = catalogue->disk({"BACKUP1", ""});
    // A disk first known by label alone takes its UUID on.
    EXPECT_EQ(catalogue->disk({"BACKUP1", "uuid-1"}), byLabel);
    // Relabelled: still the same disk.
    EXPECT_EQ(catalogue->disk({"RENAMED", "uuid-1"}), byLabel);
    EXPECT_EQ(catalogue->diskSummary(byLabel)->label, "RENAMED");
    // Another disk under a label already used is another disk.
    const std::int64_t other = catalogue->disk({"RENAMED", "uuid-2"});
    EXPECT_NE(other, byLabel);
    EXPECT_FALSE(catalogue->findDisk({"BACKUP9", "uuid-9"}));
    EXPECT_EQ(catalogue->disks().size(), 2u);

    catalogue->diskSeen(other, "2026-12-03T080000Z", 12345);
    const auto summary = catalogue->diskSummary(other);
    EXPECT_EQ(summary->lastSeen, "2026-12-03T080000Z");
    EXPECT_EQ(summary->freeBytes, 12345);
}

TEST_F(Catalogue_, versionsAreKeptPerStampAndPruned)
{
    const std::int64_t disk = catalogue->disk({"BACKUP1", "u"});
    const std::string path = "home/ann/report.ods";
    catalogue->recordCopy(disk, record(path, "v1", "2026-12-01T100000Z", 1));
    catalogue->recordVersion(disk, path, "2026-12-02T100000Z");
    EXPECT_FALSE(catalogue->copyAt(disk, path));
    catalogue->recordCopy(disk, record(path, "v2", "2026-12-02T100000Z", 2));
    catalogue->recordVersion(disk, path, "2026-12-03T100000Z");
    catalogue->recordCopy(disk, record(path, "v3", "2026-12-03T100000Z", 3));

    EXPECT_EQ(describe(catalogue->copiesUnder(path)),
              (std::vector<std::string> {path + " BACKUP1", path + " BACKUP1 v2026-12-03T100000Z",
                                         path + " BACKUP1 v2026-12-02T100000Z"}));
    const auto entries = catalogue->copiesUnder(path);
    EXPECT_EQ(entries[1].copy, record(path, "v2", "2026-12-02T100000Z", 2));

    catalogue->forgetVersion(disk, path, "2026-12-02T100000Z");
    EXPECT_EQ(catalogue->copiesUnder(path).size(), 2u);
    EXPECT_EQ(catalogue->diskSummary(disk)->versions, 1);
    EXPECT_EQ(catalogue->diskSummary(disk)->files, 1);
}

TEST_F(Catalogue_, aFolderMovedIntoTheVersionsTakesEveryCopyBelowItAndNoNeighbour)
{
    const std::int64_t one = catalogue->disk({"BACKUP1", "u1"});
    const std::int64_t two = catalogue->disk({"BACKUP2", "u2"});
    for (const char *path : {"home/ann/a.txt", "home/ann/deep/b.txt", "home/ann2/c.txt", "home/ann.txt"})
        catalogue->recordCopy(one, record(path, path));
    catalogue->recordCopy(two, record("home/ann/a.txt", "on two"));
    catalogue->recordVersion(one, "/home/ann/", "2026-12-03T100000Z");
    EXPECT_EQ(describe(catalogue->copiesUnder("")),
              (std::vector<std::string> {
                  "home/ann.txt BACKUP1", "home/ann/a.txt BACKUP2", "home/ann/a.txt BACKUP1 v2026-12-03T100000Z",
                  "home/ann/deep/b.txt BACKUP1 v2026-12-03T100000Z", "home/ann2/c.txt BACKUP1"}));
    EXPECT_EQ(catalogue->diskSummary(one)->versions, 2);
    EXPECT_EQ(catalogue->diskSummary(one)->files, 2);
}

TEST_F(Catalogue_, copiesUnderAFolderTakeEveryDiskAndNoNeighbour)
{
    const std::int64_t one = catalogue->disk({"BACKUP1", "u1"});
    const std::int64_t two = catalogue->disk({"BACKUP2", "u2"});
    catalogue->recordCopy(one, record("home/ann/a.txt", "a", "2026-12-01T100000Z", 10));
    catalogue->recordCopy(two, record("home/ann/a.txt", "a2", "2026-12-05T100000Z", 20));
    catalogue->recordCopy(two, record("home/ann/deep/b.txt", "b"));
    catalogue->recordCopy(one, record("home/ann2/c.txt", "c"));
    catalogue->recordCopy(one, record("home/ann.txt", "d"));

    // Newest copy first, per file.
    EXPECT_EQ(
        describe(catalogue->copiesUnder("/home/ann/")),
        (std::vector<std::string> {"home/ann/a.txt BACKUP2", "home/ann/a.txt BACKUP1", "home/ann/deep/b.txt BACKUP2"}));
    EXPECT_EQ(describe(catalogue->copiesUnder("home/ann/a.txt")),
              (std::vector<std::string> {"home/ann/a.txt BACKUP2", "home/ann/a.txt BACKUP1"}));
    EXPECT_EQ(catalogue->copiesUnder("").size(), 5u);
    EXPECT_TRUE(catalogue->copiesUnder("home/an").empty());
}

TEST_F(Catalogue_, aRolledBackTransactionLeavesNothingBehind)
{
    const std::int64_t disk = catalogue->disk({"BACKUP1", "u"});
    catalogue->begin();
    catalogue->recordCopy(disk, record("new/folder/a.txt", "a", "2026-12-09T000000Z"));
    catalogue->rollback();
    EXPECT_FALSE(catalogue->copyAt(disk, "new/folder/a.txt"));
    // The folder and stamp of the undone rows must not be taken as known.
    catalogue->begin();
    catalogue->recordCopy(disk, record("new/folder/b.txt", "b", "2026-12-09T000000Z"));
    catalogue->commit();
    reopen();
    EXPECT_EQ(catalogue->copyAt(disk, "new/folder/b.txt"), record("new/folder/b.txt", "b", "2026-12-09T000000Z"));
    EXPECT_FALSE(catalogue->inTransaction());
}

// The reads that take the catalogue as one moment start no transaction of
// their own inside one already open: a pass's records are seen before they
// are committed, and the pass can still commit them.
TEST_F(Catalogue_, readsInsideAnOpenTransactionSeeItsRecords)
{
    const std::int64_t disk = catalogue->disk({"BACKUP1", "u"});
    catalogue->recordCopy(disk, record("home/ann/old.txt", "o"));
    catalogue->begin();
    catalogue->recordCopy(disk, record("home/ann/new.txt", "n"));
    EXPECT_EQ(describe(catalogue->copiesUnder("home/ann")),
              (std::vector<std::string> {"home/ann/new.txt BACKUP1", "home/ann/old.txt BACKUP1"}));
    EXPECT_TRUE(catalogue->inTransaction());
    catalogue->commit();
    EXPECT_EQ(catalogue->copiesUnder("home/ann").size(), 2u);
    catalogue->begin(); // and the reads left no transaction open behind them
    catalogue->commit();
}

// A pass records one folder's files after another, but a folder may come
// back (its files around a sub-folder's) and a look-up may go elsewhere.
TEST_F(Catalogue_, filesOfFoldersMetInTurnEachLandInTheirOwnFolder)
{
    const std::int64_t disk = catalogue->disk({"BACKUP1", "u"});
    const std::vector<std::string> paths {"a/1.txt",   "a/b/2.txt", "a/3.txt", "top.txt",
                                          "a/b/4.txt", "c/5.txt",   "a/6.txt"};
    for (const std::string &path : paths)
        catalogue->recordCopy(disk, record(path, path));
    for (auto path = paths.rbegin(); path != paths.rend(); ++path)
        EXPECT_EQ(catalogue->copyAt(disk, *path), record(*path, *path)) << *path;
    EXPECT_FALSE(catalogue->copyAt(disk, "a/b/1.txt"));
    EXPECT_FALSE(catalogue->copyAt(disk, "c/6.txt"));
    reopen();
    for (const std::string &path : paths)
        EXPECT_EQ(catalogue->copyAt(disk, path), record(path, path)) << path;
    EXPECT_EQ(describe(catalogue->copiesUnder("a/b")),
              (std::vector<std::string> {"a/b/2.txt BACKUP1", "a/b/4.txt BACKUP1"}));
    EXPECT_EQ(catalogue->childrenOf("a").size(), 4u); // b, then 1, 3 and 6
}

TEST_F(Catalogue_, verifyMarksOrderTheDiskOldestVerifiedFirst)
{
    const std::int64_t disk = catalogue->disk({"BACKUP1", "u"});
    for (const char *path : {"a", "b", "c"})
        catalogue->recordCopy(disk, record(path, path));
    catalogue->markVerified(disk, "a", "", "2026-12-05T000000Z", false);
    catalogue->markVerified(disk, "c", "", "2026-12-04T000000Z", true);
    std::vector<std::string> order;
    for (const StoredCopy &stored : catalogue->copiesOn(disk))
        order.push_back(stored.copy.path + (stored.mismatch ? "!" : ""));
    EXPECT_EQ(order, (std::vector<std::string> {"b", "c!", "a"}));
    const auto summary = catalogue->diskSummary(disk);
    EXPECT_EQ(summary->mismatches, 1);
    EXPECT_EQ(summary->lastVerified, "2026-12-05T000000Z");
}

void writeBytes(const std::string &file, const std::string &bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::string readBytes(const std::string &file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void makeForeignDatabase(const std::string &file, const char *sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

// A file that is not a catalogue this program can read is refused with a
// text naming it, and left exactly as it was.
// It names every file backed up, private ones too.
TEST(CatalogueFile, aNewCatalogueAndItsLogAreTheOwnersAlone)
{
    test::TempFolder folder;
    Catalogue made(folder / "new.sqlite");
    made.recordCopy(made.disk({"B", "u"}), test::CatalogueFixture::record("a", "a"));
    for (const char *name : {"new.sqlite", "new.sqlite-wal"}) {
        struct stat st {};
        ASSERT_EQ(::stat((folder / name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
}

TEST(CatalogueFile, damagedOrForeignFilesAreRefusedAndLeftAlone)
{
    test::TempFolder folder;
    std::string catalogueBytes;
    {
        Catalogue good(folder / "good.sqlite");
        good.recordCopy(good.disk({"B", "u"}), test::CatalogueFixture::record("a", "a"));
    }
    catalogueBytes = readBytes(folder / "good.sqlite");
    ASSERT_GT(catalogueBytes.size(), 4096u);

    writeBytes(folder / "text.sqlite", "not a database at all, just some words\n");
    std::string damaged = catalogueBytes;
    for (std::size_t i = 0; i < 100; ++i)
        damaged[i] = static_cast<char>(0xA5);
    writeBytes(folder / "damaged.sqlite", damaged);
    makeForeignDatabase(folder / "other.sqlite", "CREATE TABLE songs(title TEXT)");
    const std::string newer = "PRAGMA application_id = " + std::to_string(schema::kApplicationId) +
                              "; PRAGMA user_version = 99; CREATE TABLE x(y)";
    makeForeignDatabase(folder / "newer.sqlite", newer.c_str());

    const std::pair<const char *, const char *> cases[] = {
        {"text.sqlite", "is damaged or is not a catalogue"},
        {"damaged.sqlite", "is damaged or is not a catalogue"},
        {"other.sqlite", "is not a Quillarc catalogue"},
        {"newer.sqlite", "newer version"},
    };
    for (const auto &[name, words] : cases) {
        SCOPED_TRACE(name);
        const std::string before = readBytes(folder / name);
        try {
            Catalogue catalogue(folder / name);
            ADD_FAILURE() << "opened";
        } catch (const CatalogueError &error) {
            EXPECT_NE(std::string(error.what()).find(folder / name), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find(words), std::string::npos) << error.what();
        }
        EXPECT_EQ(readBytes(folder / name), before);
    }
    EXPECT_THROW(Catalogue(folder / "missing-folder/x.sqlite"), CatalogueError);
}

} // namespace
} // namespace quillarc

#include "catalogue/support/CatalogueFixture.h"
#include "catalogue/support/Command.h"

#include "base/UniqueFd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class DiskCopy : public test::CatalogueFixture {
protected:
    void SetUp() override
    {
        fs::create_directory(disk.folder() + "/.quillarc");
        root = UniqueFd(::open(disk.folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        ASSERT_TRUE(root);
        id = catalogue->disk({"BACKUP1", "uuid-1"});
        catalogue->diskSeen(id, "2026-12-10T210500Z", 999);
    }

    /// A copy on the disk, recorded as the current one (or as a version).
    void put(const std::string &path, const std::string &bytes, const std::string &version = {})
    {
        const std::string onDisk = version.empty() ? path : ".quillarc/versions/" + version + "/" + path;
        fs::create_directories(fs::path(disk.file(onDisk)).parent_path());
        std::ofstream(disk.file(onDisk), std::ios::binary) << bytes;
        catalogue->recordCopy(id, record(path, bytes));
        if (!version.empty())
            catalogue->recordVersion(id, path, version);
    }

    test::TempFolder disk;
    UniqueFd root;
    std::int64_t id = 0;
};

// The manifest is what lets a disk be checked on any computer: the real
// xxh128sum must pass it at the disk's root, awkward names included.
TEST_F(DiskCopy, manifestPassesXxh128sumAtTheDiskRoot)
{
    put("home/ann/plain.txt", "plain");
    put("home/ann/with space.txt", "spaced");
    put("home/ann/back\\slash.txt", "slashed");
    put("home/ann/-dash", "dash");
    put("home/ann/new\nline.txt", "two lines");
    put("home/ann/plain.txt", "older plain", "2026-12-09T100000Z");
    // Another disk's copies have no place in this disk's files.
    catalogue->recordCopy(catalogue->disk({"BACKUP2", "uuid-2"}), record("home/ann/elsewhere.txt", "x"));
    catalogue->writeDiskCopy(id, root.get());

    const std::string manifest = disk.read(".quillarc/manifest.xxh128");
    const test::CommandResult check = test::runCommand("xxh128sum -c .quillarc/manifest.xxh128", disk.folder());
    EXPECT_EQ(check.status, 0) << check.out;
    for (const char *name : {"home/ann/plain.txt: OK", "home/ann/with space.txt: OK", "home/ann/back\\slash.txt: OK",
                             "home/ann/-dash: OK", ".quillarc/versions/2026-12-09T100000Z/home/ann/plain.txt: OK"})
        EXPECT_NE(check.out.find(name), std::string::npos) << name << " in\n" << check.out;
    // The name with a newline, escaped as the checksum tools read it.
    const std::string twoLines = "two lines";
    const std::string escaped =
        "\\" + ContentHasher::of(twoLines.data(), twoLines.size()).hex() + "  home/ann/new\\nline.txt\n";
    EXPECT_NE(manifest.find(escaped), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find("elsewhere"), std::string::npos);

    // A flipped byte is what the manifest is there to show.
    std::ofstream(disk.file("home/ann/with space.txt"), std::ios::binary) << "spaceD";
    EXPECT_NE(test::runCommand("xxh128sum -c .quillarc/manifest.xxh128 2>&1", disk.folder()).status, 0);
}

TEST_F(DiskCopy, theDiskCatalogueHoldsThisDiskAloneAndRebuildsTheProgramCatalogue)
{
    put("home/ann/a.txt", "a");
    put("home/ann/deep/b.txt", "b");
    put("home/ann/a.txt", "older a", "2026-12-09T100000Z");
    const std::int64_t other = catalogue->disk({"BACKUP2", "uuid-2"});
    catalogue->recordCopy(other, record("home/ann/a.txt", "on the other disk"));
    catalogue->markVerified(id, "home/ann/deep/b.txt", "", "2026-12-10T220000Z", false);
    catalogue->begin();
    catalogue->writeDiskCopy(id, root.get());
    EXPECT_TRUE(catalogue->inTransaction());
    catalogue->commit();

    EXPECT_FALSE(disk.exists(".quillarc/catalogue.sqlite.new"));
    EXPECT_FALSE(disk.exists(".quillarc/manifest.xxh128.new"));
    Catalogue own(disk.file(".quillarc/catalogue.sqlite"));
    ASSERT_EQ(own.disks().size(), 1u);
    EXPECT_EQ(own.disks()[0].label, "BACKUP1");
    // A catalogue of its own, searched as any other.
    EXPECT_EQ(own.find("b.txt", false).size(), 1u);

    // A lost program catalogue comes back from the disk's, equal for that disk.
    test::TempFolder program;
    Catalogue rebuilt(program / "catalogue.sqlite");
    rebuilt.recordCopy(rebuilt.disk({"BACKUP1", "uuid-1"}), record("gone/stale.txt", "stale"));
    const auto merged = rebuilt.merge(disk.file(".quillarc/catalogue.sqlite"));
    ASSERT_EQ(merged.size(), 1u);
    auto original = catalogue->copiesUnder("home");
    std::erase_if(original, [&](const CopyEntry &entry) { return entry.diskId != id; });
    auto again = rebuilt.copiesUnder("");
    ASSERT_EQ(again.size(), original.size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].copy, original[i].copy);
        EXPECT_EQ(again[i].versionStamp, original[i].versionStamp);
        EXPECT_EQ(again[i].diskLastSeen, "2026-12-10T210500Z");
    }
    EXPECT_EQ(rebuilt.diskSummary(merged[0])->lastVerified, "2026-12-10T220000Z");
    EXPECT_EQ(rebuilt.find("b.txt", false).size(), 1u);
    // The disk's catalogue keeps its index as rows come.
    own.recordCopy(own.disks()[0].id, record("home/ann/new.txt", "new"));
    EXPECT_EQ(own.find("new.txt", false).size(), 1u);
}

TEST_F(DiskCopy, aDiskFolderThatIsALinkIsNotFollowed)
{
    test::TempFolder elsewhere;
    fs::remove(disk.folder() + "/.quillarc");
    fs::create_directory_symlink(elsewhere.folder(), disk.folder() + "/.quillarc");
    put("a.txt", "a");
    EXPECT_THROW(catalogue->writeDiskCopy(id, root.get()), CatalogueError);
    EXPECT_EQ(elsewhere.entryCount(), 0u);
}

// The two files are written side by side: whichever cannot be is told, by
// name, and the other still takes its place whole.
TEST_F(DiskCopy, eitherFileThatCannotBeWrittenIsToldAndTheOtherIsWritten)
{
    struct Case {
        const char *blocked;
        const char *told;
        const char *written;
    };
    for (const Case &each : {Case {"manifest.xxh128", "manifest", "catalogue.sqlite"},
                             Case {"catalogue.sqlite", "catalogue", "manifest.xxh128"}}) {
        SCOPED_TRACE(each.blocked);
        fs::remove_all(disk.folder() + "/.quillarc");
        fs::create_directories(disk.folder() + "/.quillarc/" + each.blocked + ".new/in the way");
        put("home/ann/a.txt", "a");
        try {
            catalogue->writeDiskCopy(id, root.get());
            ADD_FAILURE() << "written";
        } catch (const CatalogueError &error) {
            EXPECT_NE(std::string(error.what()).find(each.told), std::string::npos) << error.what();
        }
        EXPECT_FALSE(disk.exists(std::string(".quillarc/") + each.blocked));
        if (std::string(each.written) == "manifest.xxh128")
            EXPECT_NE(disk.read(".quillarc/manifest.xxh128").find("home/ann/a.txt"), std::string::npos);
        else
            EXPECT_EQ(Catalogue(disk.file(".quillarc/catalogue.sqlite")).find("a.txt", false).size(), 1u);
    }
}

TEST(CatalogueMerge, refusesAFileThatIsNoCatalogue)
{
    test::TempFolder folder;
    folder.write("junk.sqlite", "junk, not a catalogue");
    Catalogue catalogue(folder / "catalogue.sqlite");
    try {
        catalogue.merge(folder / "junk.sqlite");
        ADD_FAILURE() << "merged";
    } catch (const CatalogueError &error) {
        EXPECT_NE(std::string(error.what()).find(folder / "junk.sqlite"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(catalogue.disks().empty());
    EXPECT_EQ(folder.read("junk.sqlite"), "junk, not a catalogue");
}

} // namespace
} // namespace quillarc

#include "catalogue/Catalogue.h"
#include "catalogue/ContentHasher.h"
#include "cli/CatalogueCommand.h"
#include "cli/VerifyCommand.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

// A disk as a folder that carries its label in a label file, as quillarc-pass
// takes a folder that is no mount of its own.
class CatalogueCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        disk.write(".quillarc-label", "BACKUP3");
        put("home/ann/a.txt", "alpha");
        put("home/ann/Docs/b.ods", "bravo");
        put(".quillarc/versions/2026-12-01T100000Z/home/ann/a.txt", "older alpha");
    }

    void put(const std::string &relative, const std::string &bytes)
    {
        fs::create_directories(fs::path(disk.file(relative)).parent_path());
        std::ofstream(disk.file(relative), std::ios::binary) << bytes;
    }

    int run()
    {
        PassOptions options;
        options.programFolder = program.path();
        options.drive = disk.path();
        options.catalogue = true;
        out.str({});
        err.str({});
        return catalogueDisk(options, out, err);
    }

    std::vector<std::string> copies()
    {
        Catalogue catalogue(program / "catalogue.sqlite");
        std::vector<std::string> lines;
        for (const CopyEntry &entry : catalogue.copiesUnder(""))
            lines.push_back(entry.diskLabel + " " + entry.versionStamp + " " + entry.copy.path + " " +
                            entry.copy.hash.hex());
        return lines;
    }

    test::TempFolder program;
    test::TempFolder disk;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CatalogueCommand, readsAnOldDiskThenRebuildsALostOrDamagedCatalogueFromIt)
{
    ASSERT_EQ(run(), 0) << err.str();
    EXPECT_NE(out.str().find("Reading every copy on BACKUP3"), std::string::npos) << out.str();
    const std::vector<std::string> first = copies();
    ASSERT_EQ(first.size(), 3u);
    const std::string current = "BACKUP3  home/ann/a.txt " + ContentHasher::of("alpha", 5).hex();
    EXPECT_NE(std::find(first.begin(), first.end(), current), first.end()) << current;
    EXPECT_TRUE(disk.exists(".quillarc/catalogue.sqlite"));
    EXPECT_TRUE(disk.exists(".quillarc/manifest.xxh128"));

    // Lost: the disk's own catalogue brings it back as it was.
    for (const char *file : {"catalogue.sqlite", "catalogue.sqlite-wal", "catalogue.sqlite-shm"})
        fs::remove(program / file);
    ASSERT_EQ(run(), 0) << err.str();
    EXPECT_NE(out.str().find("The disk's own catalogue was taken"), std::string::npos) << out.str();
    EXPECT_EQ(copies(), first);

    // Damaged: set aside, never removed, and rebuilt.
    program.write("catalogue.sqlite", "scrambled beyond repair");
    fs::remove(program / "catalogue.sqlite-wal");
    ASSERT_EQ(run(), 0) << err.str();
    EXPECT_NE(err.str().find("set aside"), std::string::npos) << err.str();
    EXPECT_EQ(copies(), first);
    bool keptAside = false;
    for (const auto &entry : fs::directory_iterator(program.folder()))
        keptAside = keptAside || entry.path().filename().string().rfind("catalogue.sqlite.damaged-", 0) == 0;
    EXPECT_TRUE(keptAside);
}

TEST_F(CatalogueCommand, aDamagedDiskCatalogueIsReadPast)
{
    put(".quillarc/catalogue.sqlite", "not a catalogue");
    ASSERT_EQ(run(), 0) << err.str();
    EXPECT_NE(err.str().find("the disk's copies are read instead"), std::string::npos) << err.str();
    EXPECT_EQ(copies().size(), 3u);
}

// The disk's sources are not on this computer: a bad copy is moved aside
// and named with the copies that are still good.
TEST_F(CatalogueCommand, verifyTellsOfABadCopyInItsExitStatusAndThePassLog)
{
    ASSERT_EQ(run(), 0) << err.str();
    PassOptions options;
    options.programFolder = program.path();
    options.drive = disk.path();
    options.verify = true;
    options.notify = false;
    std::ostringstream verifyOut;
    std::ostringstream verifyErr;
    EXPECT_EQ(verifyCopies(options, verifyOut, verifyErr), 0) << verifyErr.str();
    EXPECT_NE(verifyOut.str().find("Verify of BACKUP3: 3 copies read (21 bytes), all good."), std::string::npos)
        << verifyOut.str();

    put("home/ann/Docs/b.ods", "bravO");
    verifyOut.str({});
    verifyErr.str({});
    EXPECT_EQ(verifyCopies(options, verifyOut, verifyErr), 1);
    EXPECT_NE(verifyErr.str().find("BAD COPY, SOURCE GONE  /home/ann/Docs/b.ods"), std::string::npos)
        << verifyErr.str();
    EXPECT_NE(verifyErr.str().find("1 found wrong"), std::string::npos) << verifyErr.str();
    EXPECT_NE(program.read("quillarc.log").find("BAD COPY, SOURCE GONE  /home/ann/Docs/b.ods"), std::string::npos);
    EXPECT_FALSE(disk.exists("home/ann/Docs/b.ods"));
    EXPECT_EQ(disk.read(".quillarc/manifest.xxh128").find("b.ods"), std::string::npos);
    EXPECT_EQ(copies().size(), 2u);

    options.since = "yesterday";
    EXPECT_EQ(verifyCopies(options, verifyOut, verifyErr), 2);
}

} // namespace
} // namespace quillarc

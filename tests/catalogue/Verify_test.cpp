#include "catalogue/Verify.h"
#include "catalogue/support/CatalogueFixture.h"

#include "base/UniqueFd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;
using Kind = VerifyFinding::Kind;

std::int64_t ns(const struct timespec &time)
{
    return time.tv_sec * 1'000'000'000LL + time.tv_nsec;
}

void writeFile(const std::string &file, const std::string &bytes)
{
    fs::create_directories(fs::path(file).parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Sources and a disk holding their copies, recorded as a pass records them.
class Verify : public test::CatalogueFixture {
protected:
    void SetUp() override
    {
        root = UniqueFd(::open(disk.folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        id = catalogue->disk({"BACKUP1", "u1"});
    }

    void backUp(const std::string &path, const std::string &bytes)
    {
        writeFile(sources.file(path), bytes);
        writeFile(disk.file(path), bytes);
        struct stat st {};
        ASSERT_EQ(::stat(sources.file(path).c_str(), &st), 0);
        CopyRecord copy = record(path, bytes, "2026-12-01T100000Z", ns(st.st_mtim));
        copy.sourceChangedNs = ns(st.st_ctim);
        catalogue->recordCopy(id, copy);
    }

    VerifyReport verify(const std::string &stamp, std::function<bool()> stop = {})
    {
        VerifyOptions options;
        options.stamp = stamp;
        options.sourceRoot = sources.path();
        options.stopRequested = std::move(stop);
        options.progress = [this](const std::string &path) { read.push_back(path); };
        read.clear();
        return verifyDisk(*catalogue, id, root.get(), options);
    }

    test::TempFolder disk;
    test::TempFolder sources;
    UniqueFd root;
    std::int64_t id = 0;
    std::vector<std::string> read;
};

TEST_F(Verify, goodCopiesAreMarkedAndNothingMoves)
{
    backUp("home/ann/a.txt", "alpha");
    backUp("home/ann/b.txt", std::string(3 << 20, 'b'));
    const VerifyReport report = verify("2026-12-10T100000Z");
    EXPECT_TRUE(report.allGood());
    EXPECT_EQ(report.checked, 2);
    EXPECT_EQ(report.bytes, 5 + (3 << 20));
    for (const StoredCopy &stored : catalogue->copiesOn(id))
        EXPECT_EQ(stored.verifiedAt, "2026-12-10T100000Z");
    EXPECT_FALSE(disk.exists(".quillarc"));
}

// Each kind of fault is told apart by the source, and nothing is deleted.
TEST_F(Verify, aBadCopyIsMovedAsideAndForgottenAndTheSourceSaysWhatWentBad)
{
    backUp("rot/on-disk.txt", "the source still holds this");
    backUp("rot/source.txt", "the backup holds this");
    backUp("rot/gone.txt", "only the other disk holds this now");
    backUp("rot/missing.txt", "vanished from the disk");
    const std::int64_t other = catalogue->disk({"BACKUP2", "u2"});
    catalogue->recordCopy(other, *catalogue->copyAt(id, "rot/gone.txt"));

    writeFile(disk.file("rot/on-disk.txt"), "the source still holds thiS");
    // Changed at the source, its modification time put back.
    struct stat st {};
    ASSERT_EQ(::stat(sources.file("rot/source.txt").c_str(), &st), 0);
    writeFile(sources.file("rot/source.txt"), "the backup holds thiS");
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, sources.file("rot/source.txt").c_str(), times, 0), 0);
    writeFile(disk.file("rot/gone.txt"), "only the other disk holds thiS now");
    fs::remove(sources.file("rot/gone.txt"));
    fs::remove(disk.file("rot/missing.txt"));

    const VerifyReport report = verify("2026-12-10T100000Z");
    std::map<std::string, VerifyFinding> found;
    for (const VerifyFinding &finding : report.findings)
        found.emplace(finding.path, finding);
    ASSERT_EQ(found.size(), 4u);

    const VerifyFinding &onDisk = found.at("rot/on-disk.txt");
    EXPECT_EQ(onDisk.kind, Kind::DiskCopyBad);
    EXPECT_EQ(onDisk.movedTo, ".quillarc/bad/2026-12-10T100000Z/rot/on-disk.txt");
    EXPECT_EQ(disk.read(onDisk.movedTo), "the source still holds thiS");
    EXPECT_FALSE(disk.exists("rot/on-disk.txt"));
    EXPECT_FALSE(catalogue->copyAt(id, "rot/on-disk.txt")) << "the next pass must copy it again";

    const VerifyFinding &source = found.at("rot/source.txt");
    EXPECT_EQ(source.kind, Kind::SourceBad);
    EXPECT_EQ(disk.read("rot/source.txt"), "the backup holds this");
    EXPECT_TRUE(catalogue->copyAt(id, "rot/source.txt")) << "the backup is kept";

    const VerifyFinding &gone = found.at("rot/gone.txt");
    EXPECT_EQ(gone.kind, Kind::SourceGone);
    ASSERT_EQ(gone.goodElsewhere.size(), 1u);
    EXPECT_EQ(gone.goodElsewhere[0].diskLabel, "BACKUP2");
    EXPECT_TRUE(disk.exists(gone.movedTo));

    EXPECT_EQ(found.at("rot/missing.txt").kind, Kind::Missing);
    EXPECT_FALSE(catalogue->copyAt(id, "rot/missing.txt"));

    // --failed reads again only what was found wrong and is still there.
    VerifyOptions failed;
    failed.stamp = "2026-12-11T100000Z";
    failed.sourceRoot = sources.path();
    failed.failedOnly = true;
    const VerifyReport again = verifyDisk(*catalogue, id, root.get(), failed);
    EXPECT_EQ(again.checked, 1);
    ASSERT_EQ(again.findings.size(), 1u);
    EXPECT_EQ(again.findings[0].path, "rot/source.txt");
}

TEST_F(Verify, aBadVersionIsMovedAsideToo)
{
    backUp("a.txt", "current");
    catalogue->recordVersionCopy(id, record("a.txt", "older"), "2026-12-05T000000Z");
    writeFile(disk.file(".quillarc/versions/2026-12-05T000000Z/a.txt"), "oldeR");
    const VerifyReport report = verify("2026-12-10T100000Z");
    ASSERT_EQ(report.findings.size(), 1u);
    EXPECT_EQ(report.findings[0].kind, Kind::VersionBad);
    EXPECT_EQ(report.findings[0].movedTo, ".quillarc/bad/2026-12-10T100000Z/versions/2026-12-05T000000Z/a.txt");
    EXPECT_EQ(disk.read(report.findings[0].movedTo), "oldeR");
    EXPECT_EQ(catalogue->copiesUnder("a.txt").size(), 1u);
}

// A verify cut short leaves what it did not read for the next one, which
// reads that first.
TEST_F(Verify, aStoppedVerifyResumesWhereItStopped)
{
    for (const char *path : {"a", "b", "c", "d", "e"})
        backUp(path, path);
    VerifyOptions late;
    late.stamp = "2026-12-09T100000Z";
    late.deadline = std::chrono::steady_clock::now();
    const VerifyReport none = verifyDisk(*catalogue, id, root.get(), late);
    EXPECT_EQ(none.checked, 0);
    EXPECT_EQ(none.left, 5);
    int allowed = 2;
    const VerifyReport first = verify("2026-12-10T100000Z", [&] { return allowed-- <= 0; });
    EXPECT_EQ(first.checked, 2);
    EXPECT_EQ(first.left, 3);
    const std::set<std::string> done(read.begin(), read.end());

    const VerifyReport second = verify("2026-12-11T100000Z");
    EXPECT_EQ(second.checked, 5);
    ASSERT_EQ(read.size(), 5u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(done.count(read[i]), 0u) << read[i] << " was read last time";

    // Since a day: only what was not verified since then.
    VerifyOptions since;
    since.stamp = "2026-12-12T100000Z";
    since.sourceRoot = sources.path();
    since.since = "2026-12-11T000000Z";
    EXPECT_EQ(verifyDisk(*catalogue, id, root.get(), since).checked, 0);
}

} // namespace
} // namespace quillarc

// The dry run sizes an item by the pass's own rule: what it counts is what
// the pass then copies.

#include "engine/support/PassFixture.h"

#include "engine/DryRun.h"
#include "engine/SeenFolders.h"
#include "lists/DateTime.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class DryRunTest : public PassFixture {
protected:
    ItemSizing dryRun()
    {
        const std::vector<ItemSizing> sized = sizeCheckedItems(list, filters, host, kDrive, *listFile, label);
        EXPECT_EQ(sized.size(), 1u);
        return sized.empty() ? ItemSizing {} : sized.front();
    }
    static struct timespec changed(const std::string &path)
    {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st.st_ctim;
    }
    static bool before(const struct timespec &a, const struct timespec &b)
    {
        return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
    }
};

// A folder moved into the tree brings files whose own times lie before the
// cut-off. The pass finds it by the record of the folders its last pass
// saw, or, without one, by the folder's own status change; the dry run
// finds it alike, and counts what the pass then copies.
TEST_F(DryRunTest, AFolderMovedIntoTheTreeIsCountedAsThePassCopiesIt)
{
    struct Case {
        const char *name;
        bool record;
    };
    int round = 0;
    for (const Case &c :
         {Case {"by the record of the folders seen", true}, Case {"by its status change, without a record", false}}) {
        SCOPED_TRACE(c.name);
        const std::string tree = source + "/tree" + std::to_string(round);
        const std::string moved = temp + "/outside" + std::to_string(round++);
        writeFile(tree + "/kept.txt", "kept");
        writeFile(moved + "/x.txt", std::string(30, 'x'));
        writeFile(moved + "/deeper/y.txt", std::string(20, 'y'));
        list.clear();
        addItem(tree, "Yes");
        clock.shift = std::chrono::seconds(30); // a cut-off after every file above
        runPass();
        ASSERT_TRUE(exists(copyOf(medium, tree + "/kept.txt")));
        if (!c.record) {
            // A cut-off the person set, at the moved files' last status
            // change: they do not qualify by their own times, the move
            // made after it does.
            const struct timespec last = std::max(changed(moved + "/x.txt"), changed(moved + "/deeper/y.txt"),
                                                  [](const auto &a, const auto &b) { return before(a, b); });
            list.setCutOffValue(list.at(0), dateTimeFromTimespec(last));
            fs::remove(program + SeenFolders::fileName(label));
            // The move must land on a later tick of the clock the kernel
            // stamps files with.
            struct timespec now {};
            do
                ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
            while (!before(last, now));
        }
        fs::rename(moved, tree + "/moved");

        const ItemSizing dry = dryRun();
        EXPECT_EQ(dry.files, 2);
        EXPECT_EQ(dry.bytes, 50);
        EXPECT_TRUE(dry.problem.empty()) << dry.problem;
        clock.shift = std::chrono::seconds(60);
        const PassOutcome &outcome = runPass();
        EXPECT_EQ(outcome.filesCopied, dry.files);
        EXPECT_EQ(readFile(copyOf(medium, tree + "/moved/x.txt")), std::string(30, 'x'));
        EXPECT_EQ(readFile(copyOf(medium, tree + "/moved/deeper/y.txt")), std::string(20, 'y'));
    }
}

// A copy on the disk that the catalogue holds no record of (a disk written
// by hand, or before the catalogue) is not taken as current by the pass,
// though its length, time and bits match: a doubt costs a copy. The dry
// run judges it alike, with the catalogue there or not yet made.
TEST_F(DryRunTest, ACopyTheCatalogueDoesNotKnowIsCountedAsThePassCopiesIt)
{
    for (const bool catalogueMade : {false, true}) {
        SCOPED_TRACE(catalogueMade ? "catalogue made by an earlier pass" : "no catalogue yet");
        const std::string tree = source + (catalogueMade ? "/made" : "/fresh");
        list.clear();
        addItem(tree, "Yes");
        if (catalogueMade) {
            writeFile(tree + "/known.txt", "known");
            runPass();
            ASSERT_TRUE(exists(copyOf(medium, tree + "/known.txt")));
            list.clear();
            addItem(tree, "Yes"); // no cut-off: the known copy qualifies again, and is current
        }
        const std::string file = tree + "/by-hand.txt";
        writeFile(file, "by hand");
        // Its copy is made after the file's last change, with its time.
        const struct timespec fileChanged = changed(file);
        struct timespec now {};
        do
            ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
        while (!before(fileChanged, now));
        writeFile(copyOf(medium, file), "by hand");
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, copyOf(medium, file).c_str(), times, 0), 0);
        ASSERT_EQ(::chmod(copyOf(medium, file).c_str(), st.st_mode & 07777), 0);

        const ItemSizing dry = dryRun();
        EXPECT_EQ(dry.files, 1);
        EXPECT_EQ(dry.bytes, 7);
        const PassOutcome &outcome = runPass();
        EXPECT_EQ(outcome.filesCopied, dry.files);
    }
}

} // namespace
} // namespace quillarc

#include "catalogue/RestoreReadAhead.h"

#include "base/UniqueFd.h"
#include "support/TempFolder.h"

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <thread>

namespace quillarc {
namespace {

using namespace std::chrono_literals;
constexpr std::int64_t kMiB = std::int64_t(1) << 20;

// The number asked for once the read-ahead has settled: it must come to
// `expected` and then stay there.
void expectSettlesAt(const RestoreReadAhead &readAhead, std::size_t expected, const std::string &what)
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (readAhead.askedFor() < expected && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(readAhead.askedFor(), expected) << what;
}

// How far ahead of the writer the copies are asked for: never more files
// or bytes than allowed (a restore of a million files must not fill the
// page cache with what it writes much later), always at least the next
// one, nothing the writer has passed, and to the end of the plan.
TEST(RestoreReadAheadTest, StaysWithinItsWindowAheadOfTheWriter)
{
    struct Case {
        const char *what;
        RestoreReadAhead::Limits limits;
        std::int64_t size; // of every file
        std::size_t files;
        std::vector<std::pair<std::size_t, std::size_t>> reachedThenAsked;
    };
    const Case cases[] = {
        {"by files", {4, 100 * kMiB, 8 * kMiB}, 10, 20, {{0, 4}, {6, 10}, {7, 11}}},
        {"by bytes", {100, 3 * kMiB, 8 * kMiB}, kMiB, 20, {{0, 3}, {2, 5}}},
        {"a large file counts up to its first part", {100, 16 * kMiB, 4 * kMiB}, 100 * kMiB, 20, {{0, 4}, {2, 6}}},
        {"a full window waits for a quarter of it", {8, 100 * kMiB, 8 * kMiB}, 10, 30, {{0, 8}, {1, 8}, {2, 10}}},
        {"a file larger than the window is still asked for",
         {100, 2 * kMiB, 8 * kMiB},
         100 * kMiB,
         20,
         {{0, 1}, {3, 4}}},
        {"what the writer passed is skipped", {4, 100 * kMiB, 8 * kMiB}, 10, 20, {{0, 4}, {15, 19}}},
        {"to the end of the plan", {4, 100 * kMiB, 8 * kMiB}, 10, 6, {{0, 4}, {3, 6}, {5, 6}}},
    };
    test::TempFolder disk;
    std::filesystem::create_directories(disk.path() + "d");
    const UniqueFd root(::open(disk.folder().c_str(), O_RDONLY | O_DIRECTORY));
    for (const Case &c : cases) {
        std::vector<PlannedFile> plan(c.files);
        for (std::size_t i = 0; i < plan.size(); ++i) {
            plan[i].source.copy.path = "d/f" + std::to_string(i);
            plan[i].source.copy.size = c.size;
        }
        disk.write("d/f0", "a copy that is there; the others are not, which only the writer reports");
        ::unlink((disk.path() + "d/f1").c_str());
        ASSERT_EQ(::mkfifo((disk.path() + "d/f1").c_str(), 0600), 0) << "a pipe, which must not hold it up";
        RestoreReadAhead readAhead(root.get(), plan, c.limits);
        for (const auto &[reached, asked] : c.reachedThenAsked) {
            readAhead.reached(reached);
            expectSettlesAt(readAhead, asked, std::string(c.what) + ", writer at " + std::to_string(reached));
        }
    }
}

// A disk in memory gives its bytes at once: reading ahead there only costs.
TEST(RestoreReadAheadTest, IsLeftOutForADiskInMemory)
{
    test::TempFolder disk;
    const UniqueFd onDisk(::open(disk.folder().c_str(), O_RDONLY | O_DIRECTORY));
    struct statfs system {};
    ASSERT_EQ(::fstatfs(onDisk.get(), &system), 0);
    EXPECT_EQ(RestoreReadAhead::helps(onDisk.get()), system.f_type != TMPFS_MAGIC);
    const UniqueFd shared(::open("/dev/shm", O_RDONLY | O_DIRECTORY));
    if (!shared || ::fstatfs(shared.get(), &system) != 0 || system.f_type != TMPFS_MAGIC)
        GTEST_SKIP() << "no tmpfs at /dev/shm";
    EXPECT_FALSE(RestoreReadAhead::helps(shared.get()));
}

} // namespace
} // namespace quillarc

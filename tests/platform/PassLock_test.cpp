#include "platform/PassLock.h"

#include "support/ChildRun.h"
#include "support/PassLockHolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class PassLockTest : public ::testing::Test {
protected:
    PassLockTest()
    {
        for (const char *name : {"program", "other program", "medium", "other medium"})
            fs::create_directory(temp / name);
    }
    std::unique_ptr<test::Spawned> holder(const std::string &program, const std::string &medium)
    {
        return test::holdPassLock(program, medium, temp / "ready");
    }
    test::TempFolder temp;
};

// A second pass on the same program folder or the same disk is refused
// while the first runs, in another process; passes on other folders and
// disks are not held up.
TEST_F(PassLockTest, ASecondPassOnTheSameFolderOrDiskIsRefused)
{
    auto first = holder(temp / "program", temp / "medium");
    struct Case {
        const char *program;
        const char *medium;
        PassLock::Result expected;
    };
    for (const Case &c : {Case {"program", "other medium", PassLock::Result::Busy},
                          Case {"other program", "medium", PassLock::Result::Busy},
                          Case {"other program", "other medium", PassLock::Result::Taken}}) {
        PassLock lock;
        EXPECT_EQ(lock.take(temp / c.program, temp / c.medium), c.expected) << c.program << ", " << c.medium;
        // A refused pass holds nothing, not even the folder that was free.
        EXPECT_EQ(lock.held(), c.expected == PassLock::Result::Taken);
    }
    // Within one process too: the window and a pass started by a mount.
    PassLock mine;
    ASSERT_EQ(mine.take(temp / "other program", temp / "other medium"), PassLock::Result::Taken);
    PassLock second;
    EXPECT_EQ(second.take(temp / "other program", {}), PassLock::Result::Busy);
    mine.release();
    EXPECT_EQ(second.take(temp / "other program", {}), PassLock::Result::Taken);
}

// The kernel lets go of the lock of a pass that was killed: the next pass
// is never blocked by it.
TEST_F(PassLockTest, AKilledPassDoesNotBlockTheNext)
{
    auto first = holder(temp / "program", temp / "medium");
    PassLock lock;
    ASSERT_EQ(lock.take(temp / "program", temp / "medium"), PassLock::Result::Busy);
    first->kill();
    EXPECT_EQ(lock.take(temp / "program", temp / "medium"), PassLock::Result::Taken);
}

// A user who may write to the disk's root but not list it (mode 0733)
// cannot lock the root folder itself: that pass still meets another one
// on the disk, and takes the disk when no other pass has it.
TEST_F(PassLockTest, ADiskWhoseRootCannotBeListedIsStillLocked)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run a pass as another user";
    ::chmod(temp.folder().c_str(), 0755);
    const std::string medium = temp / "medium";
    ::chmod(medium.c_str(), 0733);
    auto asNobody = [&medium] {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
            PassLock lock;
            const PassLock::Result result = lock.take({}, medium);
            ::_exit(result == PassLock::Result::Busy ? 1 : (result == PassLock::Result::Taken ? 0 : 2));
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    {
        auto first = holder({}, medium);
        EXPECT_EQ(asNobody(), 1) << "a pass ran beside another on the same disk";
    }
    EXPECT_EQ(asNobody(), 0) << "the disk was not taken with no other pass on it";
}

// Folders that cannot be locked (missing, not given) do not stop a pass.
TEST_F(PassLockTest, FoldersThatCannotBeOpenedAreLeftUnlocked)
{
    PassLock lock;
    EXPECT_EQ(lock.take(temp / "missing", {}), PassLock::Result::Taken);
    EXPECT_FALSE(lock.held());
}

} // namespace
} // namespace quillarc

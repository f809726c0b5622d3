#include "platform/RestoreHold.h"

#include "platform/PassLock.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

// While files are restored no pass takes the program folder, and the watch
// can tell a restore from a pass; two restores hold it together, and the
// folder is free again once both let go.
TEST(RestoreHold, KeepsPassesAwayUntilEveryRestoreHasLetGo)
{
    test::TempFolder temp;
    const std::string program = temp / "program";
    fs::create_directory(program);
    EXPECT_FALSE(RestoreHold::restoreRunning(program));

    RestoreHold window, runner;
    ASSERT_EQ(window.take(program), RestoreHold::Result::Taken);
    ASSERT_EQ(runner.take(program), RestoreHold::Result::Taken);
    EXPECT_TRUE(RestoreHold::restoreRunning(program));
    PassLock pass;
    EXPECT_EQ(pass.take(program, {}), PassLock::Result::Busy);
    window.release();
    EXPECT_TRUE(RestoreHold::restoreRunning(program));
    EXPECT_EQ(pass.take(program, {}), PassLock::Result::Busy);
    runner.release();
    EXPECT_FALSE(RestoreHold::restoreRunning(program));
    ASSERT_EQ(pass.take(program, {}), PassLock::Result::Taken);

    // A running pass is no restore, and a restore cannot begin its hold.
    EXPECT_FALSE(RestoreHold::restoreRunning(program));
    EXPECT_EQ(window.take(program), RestoreHold::Result::PassRunning);
    EXPECT_FALSE(window.held());
    EXPECT_EQ(window.take(temp / "missing"), RestoreHold::Result::Unlockable);
}

} // namespace
} // namespace quillarc

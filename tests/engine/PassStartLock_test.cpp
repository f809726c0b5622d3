#include "engine/support/PassFixture.h"

#include "platform/PassLock.h"

#include <filesystem>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class PassStartLockTest : public PassFixture {};

// Every pass starts through BackupRun, the window's included: while another
// pass holds the program folder or the disk, a start is refused with the
// message that a pass is running, and nothing is copied or saved. Once that
// pass has ended, the next one runs, and lets go of the lock when done.
TEST_F(PassStartLockTest, AStartWhileAnotherPassRunsChangesNothing)
{
    writeFile(source + "/a.txt", "alpha");
    addItem(source, "Yes");
    const std::string listPath = program + label + ".ini";
    for (const bool onDisk : {false, true}) {
        PassLock other;
        ASSERT_EQ(onDisk ? other.take({}, medium) : other.take(program, {}), PassLock::Result::Taken);
        BackupRun &refused = makeRun();
        EXPECT_FALSE(refused.start());
        EXPECT_EQ(refused.outcome().refusal, StartRefusal::PassRunning);
        EXPECT_EQ(refused.outcome().refusalMessage, PassLock::busyMessage());
        EXPECT_FALSE(fs::exists(copyOf(medium, source + "/a.txt")));
        EXPECT_FALSE(fs::exists(listPath));
    }
    const PassOutcome &outcome = runPass();
    EXPECT_EQ(outcome.end, PassEnd::Complete);
    EXPECT_EQ(readFile(copyOf(medium, source + "/a.txt")), "alpha");
    PassLock after;
    EXPECT_EQ(after.take(program, medium), PassLock::Result::Taken) << "the ended pass let go";
}

} // namespace
} // namespace quillarc

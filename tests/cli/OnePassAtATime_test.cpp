#include <gtest/gtest.h>

#include "cli/support/RunnerFolders.h"
#include "platform/PassLock.h"
#include "support/ChildRun.h"
#include "support/PassLockHolder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace quillarc {
namespace {

namespace fs = std::filesystem;

class OnePassAtATime : public test::RunnerFolders {
protected:
    std::unique_ptr<test::Spawned> runningPass(const std::string &programFolder, const std::string &mediumRoot)
    {
        return test::holdPassLock(programFolder, mediumRoot, temp + "/running");
    }
    test::ChildResult pass() const
    {
        return test::runProgram(binary(), {"--program-folder", program}, {}, std::chrono::seconds(60));
    }
};

// While a pass runs on the same program folder, or on the same disk from
// another program folder, quillarc-pass says so, changes nothing and exits
// 2; once that pass is gone (killed, even), the next one runs.
TEST_F(OnePassAtATime, ASecondPassSaysOneIsRunningAndChangesNothing)
{
    write(source + "/a.txt", "alpha");
    labelMedium("ONE");
    listFile("ONE", "T");
    const std::string listBefore = read(program + "ONE.ini");

    for (const bool sameDisk : {false, true}) {
        auto running = sameDisk ? runningPass(temp + "/elsewhere", medium) : runningPass(program, {});
        const test::ChildResult second = pass();
        EXPECT_EQ(second.exitCode, 2) << second.output;
        EXPECT_NE(second.output.find("A backup pass is already running"), std::string::npos) << second.output;
        EXPECT_EQ(read(program + "ONE.ini"), listBefore);
        EXPECT_FALSE(fs::exists(medium + source.substr(1))) << "nothing is copied";
        running->kill();
    }
    const test::ChildResult next = pass();
    EXPECT_EQ(next.exitCode, 0) << next.output;
    EXPECT_EQ(read(medium + source.substr(1) + "/a.txt"), "alpha");
}

} // namespace
} // namespace quillarc

#include "support/PassLockHolder.h"

#include "platform/PassLock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace quillarc::test {

namespace {

QUILLARC_TEST_CHILD(HoldPassLock)
{
    PassLock lock;
    ASSERT_EQ(lock.take(std::getenv("LOCK_PROGRAM"), std::getenv("LOCK_MEDIUM")), PassLock::Result::Taken);
    writeFile(std::getenv("LOCK_READY"), "held");
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

} // namespace

std::unique_ptr<Spawned> holdPassLock(const std::string &programFolder, const std::string &mediumRoot,
                                      const std::string &readyFile)
{
    std::filesystem::remove(readyFile);
    auto spawned = std::make_unique<Spawned>(
        selfPath(), std::vector<std::string> {},
        childEnvironment("HoldPassLock",
                         {{"LOCK_PROGRAM", programFolder}, {"LOCK_MEDIUM", mediumRoot}, {"LOCK_READY", readyFile}}));
    EXPECT_TRUE(waitForFile(readyFile, std::chrono::seconds(30))) << spawned->output();
    return spawned;
}

} // namespace quillarc::test

#include "platform/qt/QuitSignals.h"

#include "platform/support/QtApp.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

namespace quillarc {

namespace {

bool takenByTheProgram(int signalNumber)
{
    struct sigaction now {};
    ::sigaction(signalNumber, nullptr, &now);
    return now.sa_handler != SIG_DFL && now.sa_handler != SIG_IGN;
}

} // namespace

TEST(QuitSignals, ASignalReachesTheEventLoopOnceAndIsThenLeftToItsDefault)
{
    test::ensureCoreApplication();
    std::vector<int> seen;
    {
        QuitSignals quit;
        QObject::connect(&quit, &QuitSignals::arrived, [&seen](int number) { seen.push_back(number); });
        for (int number : {SIGTERM, SIGHUP, SIGINT})
            EXPECT_TRUE(takenByTheProgram(number)) << number;

        ::raise(SIGTERM);
        // Not from inside the handler: only the event loop delivers it.
        EXPECT_TRUE(seen.empty());
        EXPECT_FALSE(quit.hasArrived());
        QDeadlineTimer deadline(10000);
        while (seen.empty() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        EXPECT_EQ(seen, std::vector<int> {SIGTERM});
        EXPECT_TRUE(quit.hasArrived());
        // A second SIGTERM would end the program; the others are still taken.
        EXPECT_FALSE(takenByTheProgram(SIGTERM));
        EXPECT_TRUE(takenByTheProgram(SIGHUP));
    }
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        EXPECT_FALSE(takenByTheProgram(number)) << number;
}

} // namespace quillarc

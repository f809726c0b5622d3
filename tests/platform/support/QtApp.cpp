#include "platform/support/QtApp.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace quillarc::test {

void ensureCoreApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "platform_tests";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

bool processEventsUntil(const std::function<bool()> &done, std::chrono::milliseconds limit)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

} // namespace quillarc::test

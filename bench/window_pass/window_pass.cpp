// Runs one backup pass through the real main window (start it with
// QT_QPA_PLATFORM=offscreen) and prints how long the pass took and the
// longest time the window's event loop went without turning.
//
//   bench_window_pass PROGRAM_FOLDER
//
// PROGRAM_FOLDER holds "config" (line 1: the backup drive) and the list of
// the disk in that drive, as the window would keep them.
#include "gui/MessageBox.h"
#include "gui/TQLForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/MainWindowEnvironment.h"
#include "gui/mainwindow/MainWindowUi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <cstdio>

using namespace quillarc;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_window_pass PROGRAM_FOLDER\n");
        return 2;
    }
    MessageBox::Script boxes; // any box is answered at once and reported below

    MainWindowEnvironment env = MainWindowEnvironment::ofThisMachine();
    env.programFolder = QString::fromLocal8Bit(argv[1]).toStdString();
    if (env.programFolder.back() != '/')
        env.programFolder += '/';
    env.openDocument = [](const QString &, const MainWindowEnvironment::OpenFailed &) {};
    TQLForm window(std::move(env));
    window.show();
    window.createProgressForm();

    // The event loop's pulse: the longest gap between two ticks of a 1 ms
    // timer while the pass runs.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer pulse;
    pulse.setTimerType(Qt::PreciseTimer);
    pulse.setInterval(1);
    QObject::connect(&pulse, &QTimer::timeout, [&] { longestStall = std::max(longestStall, sinceTick.restart()); });

    QElapsedTimer passTime;
    int result = 0;
    // The first medium check loads the list 50 ms after the show.
    QTimer::singleShot(200, [&] {
        if (window.list().empty()) {
            std::fprintf(stderr, "the disk's list did not load\n");
            result = 1;
            QCoreApplication::quit();
            return;
        }
        passTime.start();
        sinceTick.start();
        pulse.start();
        Q_EMIT window.ui().BackupButton->clicked();
        auto *poll = new QTimer(&app);
        QObject::connect(poll, &QTimer::timeout, [&, poll] {
            if (window.BackupRunning())
                return;
            const qint64 elapsed = passTime.elapsed();
            poll->stop();
            pulse.stop();
            std::printf("window_pass_seconds %.3f\nlongest_stall_ms %lld\nstatus %s\n", elapsed / 1000.0,
                        static_cast<long long>(longestStall), qPrintable(window.ui().StatusBar->text()));
            for (const auto &box : boxes.take())
                std::printf("box %s\n", qPrintable(box.text));
            QCoreApplication::quit();
        });
        poll->start(1);
    });
    const int code = QApplication::exec();
    window.hide();
    return result ? result : code;
}

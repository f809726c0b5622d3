#include "gui/TQLForm.h"
#include "gui/mainwindow/EndWhenAsked.h"
#include "gui/mainwindow/MainWindowEnvironment.h"
#include "platform/qt/QuitSignals.h"
#include "platform/qt/TRunOnce.h"

#include <QApplication>

// Start-up, in the program's order: title, single-instance guard, the main
// window (its creation loads "config" or runs the first-run steps), shown,
// then the hidden progress window, then the message loop.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillarc"));
    // The window hides itself while a pass it was asked to close winds
    // down, so the program ends when the window says so, not when the last
    // window happens to be hidden.
    QApplication::setQuitOnLastWindowClosed(false);

    // A second copy hands its command line to the running one and ends here,
    // before any window exists.
    quillarc::TRunOnce runOnce;
    runOnce.Loaded();

    // A logout or shutdown ends the program as Exit does, even while the
    // first-run steps or a question are on screen.
    quillarc::QuitSignals quitSignals;
    quillarc::EndWhenAsked endWhenAsked(quitSignals);

    quillarc::TQLForm window(quillarc::MainWindowEnvironment::ofThisMachine());
    runOnce.OnOtherInstance = [&window](quillarc::TRunOnce *, std::uint32_t, const QStringList &) {
        window.bringBack();
    };
    endWhenAsked.setWindow(&window);
    QObject::connect(&window, &quillarc::TQLForm::programEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    window.createProgressForm();
    return QApplication::exec();
}

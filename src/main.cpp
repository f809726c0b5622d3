#include "platform/TRunOnce.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

// Start-up only. The main window arrives with its own change; until then a
// plain window carries the program's title.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillarc"));

    // A second copy hands its command line to the running one and ends here,
    // before any window exists.
    quillarc::TRunOnce runOnce;
    runOnce.Loaded();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quillarc"));
    window.setCentralWidget(new QLabel(QStringLiteral("Quillarc"), &window));
    window.resize(860, 600);
    runOnce.OnOtherInstance = [&window](quillarc::TRunOnce *, std::uint32_t, const QStringList &) {
        window.showNormal();
        window.raise();
        window.activateWindow();
    };
    window.show();
    return QApplication::exec();
}

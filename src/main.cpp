#include <QApplication>
#include <QLabel>
#include <QMainWindow>

// Start-up only. The main window arrives with its own change; until then a
// plain window carries the program's title.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillarc"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quillarc"));
    window.setCentralWidget(new QLabel(QStringLiteral("Quillarc"), &window));
    window.resize(860, 600);
    window.show();
    return QApplication::exec();
}

#include "gui/mainwindow/MainWindowEnvironment.h"

#include "platform/qt/OpenDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/linux/LinuxVolumeHost.h"

#include <QCoreApplication>
#include <QFontDialog>

namespace quillarc {

MainWindowEnvironment MainWindowEnvironment::ofThisMachine()
{
    // One host for the life of the program; it keeps no state of its own.
    static const LinuxVolumeHost host;

    MainWindowEnvironment env;
    env.programFolder = ProgramFolder::programFolder();
    env.dataFolder = ProgramFolder::dataFolder();
    env.programPath = QCoreApplication::applicationFilePath();
    env.host = &host;
    env.driveRootFor = [](const std::string &folder) { return host.driveRootFor(folder); };
    env.openDocument = [](const QString &target) { quillarc::openDocument(target); };
    env.chooseFont = [](QWidget *parent, const QFont &current) -> std::optional<QFont> {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, current, parent);
        return ok ? std::optional<QFont>(chosen) : std::nullopt;
    };
    env.shellFolders = ShellFolders::ofUser();
    return env;
}

} // namespace quillarc

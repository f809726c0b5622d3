#include "gui/mainwindow/MainWindowEnvironment.h"

#include "gui/mainwindow/MountWatchPresence.h"
#include "platform/qt/OpenDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/linux/LinuxVolumeHost.h"

#include <QCoreApplication>

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
    env.openDocument = [](const QString &target, OpenFailed failed) { openDocumentOrSay(target, std::move(failed)); };
    env.chooseFont = &ListFontDialog::choose;
    env.shellFolders = ShellFolders::ofUser();
    env.mountWatchRunning = [folder = env.programFolder] { return quillarc::mountWatchRunning(folder); };
    return env;
}

} // namespace quillarc

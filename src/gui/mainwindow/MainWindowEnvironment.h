#pragma once

#include "gui/ListFontDialog.h"
#include "platform/qt/ChangeNotifySource.h"
#include "platform/ShellFolders.h"

#include <QFont>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace quillarc {

class Clock;
class VolumeHost;

/// What the main window takes from the machine it runs on. The program
/// gives the real machine (MainWindowEnvironment::ofThisMachine); tests give
/// temporary folders, a simulated volume host, a fixed clock and a source of
/// media events they drive themselves.
struct MainWindowEnvironment {
    std::string programFolder; ///< "config" and the disk list files; ends in '/'
    std::string dataFolder;    ///< "readme.txt" and "quillarc.html"; ends in '/'
    QString programPath;       ///< what program links start

    const VolumeHost *host = nullptr; ///< not owned; must outlive the window
    const Clock *clock = nullptr;     ///< not owned; the system clock when null

    /// The drive root a folder chosen with "Select Folder" belongs to: the
    /// nearest folder holding a label file, else the automount folder or
    /// mount point it lies in; empty when there is none.
    std::function<std::string(const std::string &folder)> driveRootFor;

    /// Where media events come from; the mount-table watch when null.
    std::unique_ptr<ChangeNotifySource> notifySource;

    /// Free physical memory in bytes, for the low-memory warning at start.
    std::function<std::uint64_t()> freePhysicalMemory;

    /// Called with a message for the person when a document could not be
    /// opened; it may come after openDocument has returned.
    using OpenFailed = std::function<void(const QString &message)>;
    /// Opens a file or link with the desktop's program (read-me, help page,
    /// home page, e-mail, the pass log).
    std::function<void(const QString &target, OpenFailed failed)> openDocument;

    /// The font chooser with the list's text colour; nullopt when the user
    /// cancels.
    std::function<std::optional<ListFontChoice>(QWidget *parent, const QFont &current, const QColor &colour)>
        chooseFont;

    /// Whether the mount watch that runs passes when a disk is mounted is
    /// running for this program folder; taken as running when not set.
    std::function<bool()> mountWatchRunning;

    /// Where the links dialog puts launchers.
    ShellFolders shellFolders;

    /// The real machine: program and data folders of ProgramFolder, the
    /// Linux volume host, the system clock, the mount-table watch.
    static MainWindowEnvironment ofThisMachine();
};

} // namespace quillarc

// "Back up when this disk is mounted" is carried out by another program, the
// mount watch; a choice made while it is not running would otherwise do
// nothing without a word.
#include "gui/mainwindow/MountWatchPresence.h"

#include "gui/MessageBox.h"

#include <QDir>
#include <QFileInfo>

#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillarc {

namespace {

std::vector<std::string> commandLine(const std::string &processFolder)
{
    std::ifstream in(processFolder + "/cmdline", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> arguments;
    std::string::size_type start = 0;
    while (start < bytes.size()) {
        const std::string::size_type end = bytes.find('\0', start);
        arguments.push_back(bytes.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return arguments;
}

QString canonicalFolder(const std::string &folder)
{
    const QString path = QString::fromStdString(folder);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return QDir::cleanPath(canonical.isEmpty() ? path : canonical);
}

bool watchesFolder(const std::vector<std::string> &arguments, const std::string &programFolder)
{
    if (arguments.empty() ||
        QFileInfo(QString::fromStdString(arguments.front())).fileName() != QLatin1String("quillarc-pass"))
        return false;
    bool watch = false;
    std::string folder;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--watch")
            watch = true;
        else if (arguments[i] == "--program-folder" && i + 1 < arguments.size())
            folder = arguments[++i];
        else if (arguments[i].rfind("--program-folder=", 0) == 0)
            folder = arguments[i].substr(std::string("--program-folder=").size());
    }
    return watch && (folder.empty() || canonicalFolder(folder) == canonicalFolder(programFolder));
}

} // namespace

bool mountWatchRunning(const std::string &programFolder, const std::string &procRoot)
{
    const QDir proc(QString::fromStdString(procRoot));
    const uid_t me = ::getuid();
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isProcess = false;
        entry.toInt(&isProcess);
        if (!isProcess)
            continue;
        const std::string folder = procRoot + "/" + entry.toStdString();
        struct stat info {};
        // Only this person's watch passes onto this person's disks.
        if (::stat(folder.c_str(), &info) != 0 || info.st_uid != me)
            continue;
        if (watchesFolder(commandLine(folder), programFolder))
            return true;
    }
    return false;
}

QString mountWatchStoppedText()
{
    return QStringLiteral("THIS DISK WILL BE BACKED UP WHEN IT IS MOUNTED ONLY WHILE THE MOUNT WATCH RUNS, AND IT IS "
                          "NOT RUNNING NOW.\rTO START IT NOW AND AT EVERY LOGIN:\r"
                          "systemctl --user enable --now quillarc-watch.service\r"
                          "OR, WITHOUT THE SERVICE:\rquillarc-pass --watch");
}

void adviseWhenMountWatchStopped(QWidget *parent, bool running)
{
    if (!running)
        MessageBox::notice(parent, mountWatchStoppedText());
}

} // namespace quillarc

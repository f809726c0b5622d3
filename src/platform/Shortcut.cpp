#include "platform/Shortcut.h"

#include "base/AtomicFile.h"
#include "base/FileError.h"
#include "base/FolderPath.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {

namespace {

std::string folderPart(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool exists(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

/// A launcher is either whole or absent, and executable: desktops start
/// launchers on the desktop only when they are.
bool saveAtomically(const std::string &path, const std::string &text)
{
    try {
        writeFileAtomically(path, text, FileAccess::Executable);
        return true;
    } catch (const FileError &) {
        return false;
    }
}

void makeFolders(const std::string &folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        ::mkdir(folder.substr(0, slash).c_str(), 0700);
        if (slash == std::string::npos)
            break;
    }
}

} // namespace

std::string shortcutLinkName(const std::string &target)
{
    const std::size_t slash = target.rfind('/');
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name + ".desktop";
}

std::string desktopExecArgument(const std::string &path)
{
    // Quoting rule of the Exec key: inside double quotes, '"', '`', '$' and
    // '\' take a backslash; a literal '%' is written "%%".
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    // Then the escapes of every string value of the file.
    std::string value;
    for (char c : quoted) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string desktopEntryText(const std::string &target)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quillarc\n"
           "Exec=" +
           desktopExecArgument(target) +
           "\n"
           "Icon=quillarc\n"
           "Terminal=false\n";
}

bool CreateShortcut(const std::string &target, ShortcutLocation location, const std::string &subFolder,
                    const ShellFolders &folders)
{
    const bool other = location == ShortcutLocation::OtherFolder;
    std::string folder = other ? subFolder : folders.folderOf(location);
    if (folder.empty())
        return false;
    // The applications folder is every desktop's own place for launchers but
    // is missing on a fresh account; it alone is made. Sub-folders are not.
    if (location == ShortcutLocation::StartMenu || location == ShortcutLocation::QuickLaunch)
        makeFolders(folder);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::string linkPath = folder + "/";
    if (!other && !subFolder.empty())
        linkPath = withSlash(linkPath + subFolder);
    linkPath += shortcutLinkName(target);
    const std::string finalPath = folderPart(linkPath) + kShortcutFileName;
    if (exists(finalPath))
        return false;

    if (!saveAtomically(linkPath, desktopEntryText(target)))
        return false;
    if (linkPath == finalPath)
        return true;
    // Never replace a launcher that appeared meanwhile; the saved one then
    // keeps its first name.
    return ::renameat2(AT_FDCWD, linkPath.c_str(), AT_FDCWD, finalPath.c_str(), RENAME_NOREPLACE) == 0;
}

std::string GetStartMenuFolder()
{
    return ShellFolders::ofUser().startMenu;
}

} // namespace quillarc

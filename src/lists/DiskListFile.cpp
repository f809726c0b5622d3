#include "lists/DiskListFile.h"

#include "base/FolderPath.h"
#include "lists/PerLabelFile.h"

#include <sys/stat.h>

#include <cerrno>

#include "base/AtomicFile.h"
#include "base/FileError.h"
#include "lists/TextLines.h"

namespace quillarc {

namespace {

void requireStorable(const std::vector<std::string> &lines)
{
    for (const std::string &line : lines) {
        if (!isStorableLine(line))
            throw UnstorableTextError("THIS NAME CANNOT BE SAVED IN THE BACKUP LIST: " + line);
    }
}

std::string normalisedSubDir(std::string flag, PathKind kind)
{
    if (flag == kSubDirYes || flag == kSubDirNo || flag.empty())
        return flag;
    return kind == PathKind::File ? std::string() : std::string(kSubDirYes);
}

bool canNameAFile(const std::string &path)
{
    return !path.empty() && path.front() == '/' && path.find('\0') == std::string::npos;
}

} // namespace

std::string diskListFileName(std::string_view label)
{
    return perLabelFileName(label, kListFileSuffix);
}

PathKind probePath(const std::string &path)
{
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos)
        return PathKind::Missing;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return PathKind::Missing;
    return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

DiskListFile::DiskListFile(std::string programFolder, PathProbe probe)
    : m_folder(withSlash(std::move(programFolder))), m_probe(probe ? std::move(probe) : PathProbe(probePath))
{
}

std::string DiskListFile::pathFor(std::string_view label) const
{
    return m_folder + diskListFileName(label);
}

bool DiskListFile::saveItems(const BackupDrive &drive, std::string_view label, const BackupList &list) const
{
    if (!drive || label.empty())
        return false;
    std::vector<std::string> lines;
    appendItemLines(list, lines);
    SaveIniInfo(label, lines);
    return true;
}

DiskListFile::LoadResult DiskListFile::loadItems(std::string_view label, BackupList &list) const
{
    if (label.empty()) {
        list.clear();
        return LoadResult::NoLabel;
    }
    const std::string path = pathFor(label);
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        list.clear();
        return LoadResult::UnknownDisk;
    }
    // Read whole before touching the list: a read error leaves it as it was.
    const std::string bytes = readWholeFile(path);
    loadFromBytes(bytes, list);
    return LoadResult::Loaded;
}

std::string_view DiskListFile::messageFor(LoadResult result)
{
    switch (result) {
    case LoadResult::NoLabel:
        return kNoVolumeLabelMessage;
    case LoadResult::UnknownDisk:
        return kUnknownDiskMessage;
    case LoadResult::Loaded:
        break;
    }
    return {};
}

void DiskListFile::loadFromBytes(std::string_view bytes, BackupList &list) const
{
    BackupListUpdate batch(list);
    list.clear();
    LineReader reader(bytes);
    while (!reader.atEnd()) {
        std::string path = reader.next();
        const PathKind kind = m_probe(path);
        // An item whose folder or file is missing now (a share not mounted,
        // a disk unplugged) stays: the person removes items, and the pass
        // names it. A path that can name nothing at all is dropped.
        if (kind == PathKind::Missing && !canNameAFile(path)) {
            for (int i = 0; i < 4; ++i)
                reader.next();
            continue;
        }
        BackupItem &item = list.append(std::move(path));
        std::string dateTime = reader.next();
        std::string cutOff = reader.next();
        std::string subDir = normalisedSubDir(reader.next(), kind);
        list.setTexts(item, {std::move(dateTime), std::move(cutOff), std::move(subDir)});
        list.setChecked(item, reader.next() == "T");
    }
}

void DiskListFile::appendItemLines(const BackupList &list, std::vector<std::string> &lines)
{
    lines.reserve(lines.size() + list.count() * 5);
    for (std::size_t i = 0; i < list.count(); ++i) {
        const BackupItem &item = list.at(i);
        lines.push_back(item.path());
        lines.push_back(item.text(TextDateTime));
        lines.push_back(item.text(TextFloat));
        lines.push_back(item.text(TextSubDir));
        lines.emplace_back(item.checked() ? "T" : "F");
    }
}

void DiskListFile::SaveIniInfo(std::string_view label, const std::vector<std::string> &lines) const
{
    requireStorable(lines);
    writeFileAtomically(pathFor(label), joinLinesCrLf(lines));
}

} // namespace quillarc

#include "lists/AutoBackupSetting.h"

#include "base/AtomicFile.h"
#include "base/FolderPath.h"
#include "lists/DiskListFile.h"
#include "lists/PerLabelFile.h"

#include <fstream>
#include <sys/stat.h>

namespace quillarc {

namespace {

bool isRegularFile(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

AutoBackupSetting::AutoBackupSetting(std::string programFolder) : m_folder(withSlash(std::move(programFolder)))
{
}

std::string AutoBackupSetting::pathFor(std::string_view label) const
{
    return m_folder + perLabelFileName(label, kAutoBackupSuffix);
}

bool AutoBackupSetting::isOn(std::string_view label) const
{
    if (label.empty())
        return false;
    std::ifstream in(pathFor(label), std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line == "T";
}

AutoBackupSetting::SetResult AutoBackupSetting::set(std::string_view label, bool on) const
{
    if (label.empty())
        return SetResult::NoLabel;
    // Off needs no list: a disk whose list is gone can still be opted out.
    // One that was never on has nothing to undo, and leaves no file.
    if (!on && !isRegularFile(pathFor(label)))
        return SetResult::Saved;
    if (on && !isRegularFile(DiskListFile(m_folder).pathFor(label)))
        return SetResult::UnknownDisk;
    // Which disks a person backs up is theirs alone, like the pass log.
    writeFileAtomically(pathFor(label), on ? "T\r\n" : "F\r\n", FileAccess::Private);
    return SetResult::Saved;
}

} // namespace quillarc

#include "engine/DiskSession.h"

#include "base/AtomicFile.h"
#include "lists/TextLines.h"

#include <cerrno>
#include <sys/stat.h>

// The backup list's edits: each is refused while the list may not be
// changed, and saved to the disk's list file at once.

namespace quillarc {

void DiskSession::requireEdit() const
{
    const std::string refusal = editRefusal();
    if (!refusal.empty())
        throw EditRefused(refusal);
}

void DiskSession::save() const
{
    if (m_readLabel && !m_readLabel->empty())
        m_listFile.saveItems(drive(), *m_readLabel, m_list);
}

void DiskSession::addItem(const std::string &path, CutOff cutOff, SubFolders subFolders, bool checked)
{
    requireEdit();
    BackupItem &item = m_list.append(path);
    m_list.setCutOff(item, cutOff);
    m_list.setSubFolders(item, subFolders);
    m_list.setChecked(item, checked);
    save();
}

void DiskSession::setCutOff(std::size_t index, CutOff cutOff, std::optional<SubFolders> subFolders)
{
    requireEdit();
    BackupItem &item = m_list.at(index);
    m_list.setCutOff(item, cutOff);
    // A single file stays one whatever the dialog said.
    if (subFolders && *subFolders != SubFolders::NotAFolder && item.isFolder())
        m_list.setSubFolders(item, *subFolders);
    save();
}

void DiskSession::setAllToDateOf(std::size_t index)
{
    requireEdit();
    const BackupItem &model = m_list.at(index);
    for (std::size_t i = 0; i < m_list.count(); ++i) {
        BackupItem &each = m_list.at(i);
        if (&each != &model)
            m_list.copyCutOff(each, model);
    }
    save();
}

void DiskSession::remove(std::size_t index)
{
    requireEdit();
    m_list.remove(m_list.at(index));
    save();
}

void DiskSession::setChecked(std::size_t index, bool checked)
{
    requireEdit();
    m_list.setChecked(m_list.at(index), checked);
}

void DiskSession::importLines(const std::vector<std::string> &lines)
{
    // Import makes a file the list of the disk in hand: it needs the disk,
    // not a list already read (a disk without room may take one).
    if (m_passRunning || m_label.empty() || !driveChosen())
        throw EditRefused(editRefusal());
    m_listFile.SaveIniInfo(m_label, lines);
    loadList();
}

void DiskSession::exportTo(const std::string &path) const
{
    // Only a list that belongs to a disk may become another disk's.
    requireEdit();
    std::vector<std::string> lines;
    DiskListFile::appendItemLines(m_list, lines);
    writeFileAtomically(path, joinLinesCrLf(lines));
}

void DiskSession::saveListAtClose() const
{
    if (!listRead())
        return;
    // A disk met for the first time and left without an item gets no file.
    struct stat st {};
    if (m_list.empty() && ::stat(m_listFile.pathFor(m_label).c_str(), &st) != 0 && errno == ENOENT)
        return;
    save();
}

} // namespace quillarc

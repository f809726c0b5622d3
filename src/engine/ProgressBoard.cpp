#include "engine/ProgressBoard.h"

#include <utility>

namespace quillarc {

void ProgressBoard::setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit fit)
{
    {
        const std::lock_guard lock(m_mutex);
        std::optional<Line> &slot = m_posted.lines[line == StatusLine::File ? 0 : 1];
        if (!slot)
            slot = Line {};
        slot->prefix.assign(prefix);
        slot->path.assign(path);
        slot->fit = fit;
        m_posted.any = true;
    }
    if (m_echo)
        m_echo->setStatus(line, prefix, path, fit);
}

void ProgressBoard::setTotalBar(int percent)
{
    {
        const std::lock_guard lock(m_mutex);
        m_posted.totalBar = percent;
        m_posted.any = true;
    }
    if (m_echo)
        m_echo->setTotalBar(percent);
}

void ProgressBoard::setFolderBar(int percent)
{
    {
        const std::lock_guard lock(m_mutex);
        m_posted.folderBar = percent;
        m_posted.any = true;
    }
    if (m_echo)
        m_echo->setFolderBar(percent);
}

void ProgressBoard::showFreeSpace(std::int64_t freeBytes)
{
    {
        const std::lock_guard lock(m_mutex);
        m_posted.freeBytes = freeBytes;
        m_posted.any = true;
    }
    if (m_echo)
        m_echo->showFreeSpace(freeBytes);
}

void ProgressBoard::showVolumeLabel(const std::string &label)
{
    {
        const std::lock_guard lock(m_mutex);
        m_posted.label = label;
        m_posted.any = true;
    }
    if (m_echo)
        m_echo->showVolumeLabel(label);
}

void ProgressBoard::postListChange(const ListChange &change)
{
    const std::lock_guard lock(m_mutex);
    m_posted.changes.push_back(change);
    m_posted.any = true;
}

bool ProgressBoard::deliverTo(ProgressDisplay &display, std::vector<ListChange> &changes)
{
    Posted taken;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_posted.any)
            return false;
        std::swap(taken, m_posted);
    }
    // The display is called without the lock, so a slow display never
    // holds up the pass.
    if (taken.freeBytes)
        display.showFreeSpace(*taken.freeBytes);
    if (taken.label)
        display.showVolumeLabel(*taken.label);
    for (int i = 0; i < 2; ++i)
        if (taken.lines[i])
            display.setStatus(i == 0 ? StatusLine::File : StatusLine::Folder, taken.lines[i]->prefix,
                              taken.lines[i]->path, taken.lines[i]->fit);
    if (taken.totalBar)
        display.setTotalBar(*taken.totalBar);
    if (taken.folderBar)
        display.setFolderBar(*taken.folderBar);
    changes.insert(changes.end(), taken.changes.begin(), taken.changes.end());
    return true;
}

} // namespace quillarc

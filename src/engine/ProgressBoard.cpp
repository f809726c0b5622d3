#include "engine/ProgressBoard.h"

#include <utility>

namespace quillarc {

void ProgressBoard::setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit fit)
{
    {
        const std::lock_guard lock(mutex_);
        std::optional<Line> &slot = posted_.lines[line == StatusLine::File ? 0 : 1];
        if (!slot)
            slot.emplace();
        slot->prefix.assign(prefix);
        slot->path.assign(path);
        slot->fit = fit;
        posted_.any = true;
    }
    if (echo_)
        echo_->setStatus(line, prefix, path, fit);
}

void ProgressBoard::setTotalBar(int percent)
{
    {
        const std::lock_guard lock(mutex_);
        posted_.totalBar = percent;
        posted_.any = true;
    }
    if (echo_)
        echo_->setTotalBar(percent);
}

void ProgressBoard::setFolderBar(int percent)
{
    {
        const std::lock_guard lock(mutex_);
        posted_.folderBar = percent;
        posted_.any = true;
    }
    if (echo_)
        echo_->setFolderBar(percent);
}

void ProgressBoard::showFreeSpace(std::int64_t freeBytes)
{
    {
        const std::lock_guard lock(mutex_);
        posted_.freeBytes = freeBytes;
        posted_.any = true;
    }
    if (echo_)
        echo_->showFreeSpace(freeBytes);
}

void ProgressBoard::showVolumeLabel(const std::string &label)
{
    {
        const std::lock_guard lock(mutex_);
        posted_.label = label;
        posted_.any = true;
    }
    if (echo_)
        echo_->showVolumeLabel(label);
}

void ProgressBoard::postListChange(const ListChange &change)
{
    const std::lock_guard lock(mutex_);
    posted_.changes.push_back(change);
    posted_.any = true;
}

bool ProgressBoard::deliverTo(ProgressDisplay &display, std::vector<ListChange> &changes)
{
    Posted taken;
    {
        const std::lock_guard lock(mutex_);
        if (!posted_.any)
            return false;
        std::swap(taken, posted_);
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

#include "engine/FolderTrail.h"

#include "engine/BackupDisk.h"
#include "engine/PathRules.h"

#include <utility>

namespace quillarc {

void FolderTrail::beginItem(const std::string &itemPath, CutOff cutOff)
{
    m_cutOffTest = CutOffTest(cutOff);
    m_itemText = itemPath.back() == '/' ? itemPath : itemPath + "/";
    m_lastSeen = m_seen.forItem(itemPath, cutOff);
    m_seenNow = {};
    m_fileSystems.clear();
    m_unrecorded.clear();
    m_open.clear();
}

void FolderTrail::saw(const std::string &path, const struct stat &st)
{
    m_seenNow.add(belowItem(path), folderId(path, st));
}

FolderTrail::OpenFolder &FolderTrail::enter(const std::string &path, const struct stat &st)
{
    OpenFolder open;
    open.relative = belowItem(path);
    open.isNew = isNew(path, open.relative, st);
    open.settle = open.isNew || qualifies(st);
    open.marks->relative = open.relative;
    m_open.push_back(std::move(open));
    return m_open.back();
}

FolderTrail::OpenFolder FolderTrail::leave()
{
    OpenFolder done = std::move(m_open.back());
    m_open.pop_back();
    return done;
}

bool FolderTrail::qualifies(const struct stat &st, const std::string &path, BackupDisk *disk) const
{
    if (qualifies(st))
        return true;
    if (m_open.empty() || !m_open.back().isNew)
        return false;
    return disk == nullptr || disk->root().empty() || !disk->hasCurrentCopy(PathRules::relativeOnDisk(path), st);
}

void FolderTrail::missedInHand(bool lookAgain)
{
    if (!m_open.empty())
        missedIn(*m_open.back().marks, lookAgain);
}

void FolderTrail::missedIn(FolderMarks &marks, bool lookAgain)
{
    marks.missed = true;
    if (lookAgain)
        m_unrecorded.insert(marks.relative);
}

void FolderTrail::record(const std::string &itemPath, CutOff cutOff, bool mountPoint)
{
    m_seenNow.remove(m_unrecorded);
    m_seen.setItem(itemPath, cutOff, std::move(m_seenNow), mountPoint);
    m_seenNow = {};
}

std::string FolderTrail::belowItem(const std::string &path) const
{
    return path.size() > m_itemText.size() ? path.substr(m_itemText.size()) : std::string();
}

bool FolderTrail::isNew(const std::string &path, const std::string &relative, const struct stat &st)
{
    if (!m_open.empty() && m_open.back().isNew)
        return true;
    if (m_lastSeen == nullptr)
        return !m_open.empty() && qualifies(st);
    if (!facts(path, st).keepsInodeNumbers)
        return true;
    const SeenFolders::FolderId *found = m_lastSeen->find(relative);
    return found == nullptr || *found != folderId(path, st);
}

const FileSystemFacts &FolderTrail::facts(const std::string &path, const struct stat &st)
{
    auto known = m_fileSystems.find(st.st_dev);
    if (known == m_fileSystems.end())
        known = m_fileSystems.emplace(st.st_dev, fileSystemFacts(path)).first;
    return known->second;
}

SeenFolders::FolderId FolderTrail::folderId(const std::string &path, const struct stat &st)
{
    return {st.st_dev, facts(path, st).identity, st.st_ino};
}

} // namespace quillarc

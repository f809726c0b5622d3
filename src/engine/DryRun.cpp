#include "engine/DryRun.h"

#include <cerrno>
#include <fcntl.h>

#include "engine/BackupDisk.h"
#include "engine/CutOffTest.h"
#include "engine/FileRoom.h"
#include "engine/PathRules.h"
#include "engine/ExclusionTest.h"
#include "engine/RoomCheck.h"
#include "engine/StartCheck.h"
#include "engine/TreeWalker.h"
#include "lists/BackupList.h"
#include "platform/VolumeHost.h"

#include <algorithm>
#include <system_error>

namespace quillarc {

namespace {

// The pass's own rule for what a file adds to the room an item needs:
// what its copy writes (a sparse file's data), nothing for a file whose copy
// is current already, and nothing for a file no disk of this kind can hold
// (counted, as the pass names it).
struct FileSizing {
    BackupDisk &disk;
    std::int64_t largest;
    bool largerThanDisk;

    void add(int dirFd, const char *name, const std::string &path, const struct stat &st, ItemSizing &sizing) const
    {
        const std::int64_t bytes = bytesToWrite(dirFd, name, st);
        if (bytes > largest || (!largerThanDisk && st.st_size > largest)) {
            ++sizing.files;
            return;
        }
        if (!disk.root().empty() && disk.hasCurrentCopy(PathRules::relativeOnDisk(path), st, &sizing.replacedRoom))
            return;
        ++sizing.files;
        sizing.bytes += bytes;
    }
};

class SizingVisitor final : public TreeVisitor {
public:
    SizingVisitor(const FileFilters &filters, CutOff cutOff, const FileSizing &rule, ItemSizing &sizing)
        : m_filters(filters), m_cutOff(cutOff), m_rule(rule), m_sizing(sizing)
    {
    }
    bool goOn() override { return true; }
    void folder(const std::string &) override {}
    void file(int dirFd, const char *name, const std::string &path, const struct stat &st, bool) override
    {
        if (bannedext(m_filters, name) || !m_cutOff.qualifies(st))
            return;
        m_rule.add(dirFd, name, path, st, m_sizing);
    }
    void unreadable(const std::string &path, int error) override
    {
        if (m_sizing.problem.empty())
            m_sizing.problem = path + " cannot be read: " + std::generic_category().message(error);
    }

private:
    const FileFilters &m_filters;
    CutOffTest m_cutOff;
    const FileSizing &m_rule;
    ItemSizing &m_sizing;
};

} // namespace

std::vector<ItemSizing> sizeCheckedItems(const BackupList &list, const FileFilters &filters, const VolumeHost &host,
                                         const std::string &driveRoot)
{
    TreeWalker walker;
    walker.setSkippedFolder(host.mediumRoot(driveRoot));
    std::int64_t free = host.freeBytes(driveRoot);
    const std::int64_t capacity = host.totalBytes(driveRoot);
    BackupDisk disk;
    disk.setRoot(host.mediumRoot(driveRoot));
    // The disk's versions are room a pass takes back before it asks for
    // another disk.
    std::int64_t versions = free < 0 ? 0 : disk.versionsRoom();
    std::int64_t largest = host.largestFile(driveRoot);
    const bool largerThanDisk = capacity > 0 && capacity < largest;
    if (largerThanDisk)
        largest = capacity;
    const FileSizing rule {disk, largest, largerThanDisk};
    std::vector<ItemSizing> sized;
    for (std::size_t i = 0; i < list.count(); ++i) {
        const BackupItem &item = list.at(i);
        if (!item.checked())
            continue;
        ItemSizing sizing;
        sizing.path = item.path();
        sizing.folder = item.isFolder();
        CutOff cutOff;
        sizing.problem = itemProblem(item, cutOff);
        if (struct stat there {}; sizing.problem.empty() && ::stat(item.path().c_str(), &there) != 0)
            sizing.problem = item.path() + " is not there: " + std::generic_category().message(errno);
        if (sizing.problem.empty() && item.isFolder()) {
            SizingVisitor visitor(filters, cutOff, rule, sizing);
            walker.walk(item.path(), item.withSubfolders(), visitor);
        } else if (sizing.problem.empty()) {
            struct stat st {};
            if (::stat(item.path().c_str(), &st) == 0 && S_ISREG(st.st_mode) && CutOffTest(cutOff).qualifies(st))
                rule.add(AT_FDCWD, item.path().c_str(), item.path(), st, sizing);
        }
        const RoomCheck::Decision decision =
            RoomCheck::decide(free, versions + sizing.replacedRoom, sizing.bytes, capacity);
        if (sizing.files > 0 && decision.room == RoomCheck::Room::NeedsDisks)
            sizing.moreDisks = decision.disks;
        if (free >= 0) {
            // Room beyond the free space comes from the versions.
            const std::int64_t fromVersions = std::max<std::int64_t>(0, sizing.bytes - free);
            versions = std::max<std::int64_t>(0, versions + sizing.replacedRoom - fromVersions);
            free = std::max<std::int64_t>(0, free - sizing.bytes);
        }
        sized.push_back(std::move(sizing));
    }
    return sized;
}

} // namespace quillarc

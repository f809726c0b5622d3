#include "engine/DryRun.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "catalogue/DiskLayout.h"
#include "engine/BackupDisk.h"
#include "engine/CopyLedger.h"
#include "engine/CutOffTest.h"
#include "engine/FolderTrail.h"
#include "engine/SizingRule.h"
#include "engine/PathRules.h"
#include "engine/ExclusionTest.h"
#include "engine/RoomCheck.h"
#include "engine/StartCheck.h"
#include "engine/TreeWalker.h"
#include "lists/BackupList.h"
#include "lists/DiskListFile.h"
#include "platform/VolumeHost.h"

#include <algorithm>
#include <system_error>

namespace quillarc {

namespace {

// Walks a folder item as the pass's sizing scan does: the same folder
// trail (a folder moved into the tree brings its files along), the same
// rule for what each file adds.
class SizingVisitor final : public TreeVisitor {
public:
    SizingVisitor(const FileFilters &filters, FolderTrail &trail, const SizingRule &rule, BackupDisk &disk,
                  ItemSizing &sizing)
        : m_filters(filters), m_trail(trail), m_rule(rule), m_disk(disk), m_sizing(sizing)
    {
    }
    bool goOn() override { return true; }
    void folder(const std::string &) override {}
    void enterFolder(const std::string &path, const struct stat &st) override { m_trail.enter(path, st); }
    void leaveFolder(const std::string &, const struct stat &) override { m_trail.leave(); }
    void file(int dirFd, const char *name, const std::string &path, const struct stat &st, bool) override
    {
        if (bannedext(m_filters, name) || !m_trail.qualifies(st, path, &m_disk))
            return;
        count(m_rule.size(dirFd, name, path, st, &m_disk, &m_sizing.replacedRoom), m_sizing);
    }
    void unreadable(const std::string &path, int error) override
    {
        if (m_sizing.problem.empty())
            m_sizing.problem = path + " cannot be read: " + std::generic_category().message(error);
    }

    static void count(SizingRule::Sized sized, ItemSizing &sizing)
    {
        if (sized.share == SizingRule::Share::Current)
            return;
        ++sizing.files;
        sizing.bytes += sized.bytes;
    }

private:
    const FileFilters &m_filters;
    FolderTrail &m_trail;
    const SizingRule &m_rule;
    BackupDisk &m_disk;
    ItemSizing &m_sizing;
};

} // namespace

std::vector<ItemSizing> sizeCheckedItems(const BackupList &list, const FileFilters &filters, const VolumeHost &host,
                                         const std::string &driveRoot, const DiskListFile &listFile,
                                         const std::string &label)
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
    // Copies are judged current by the catalogue, as the pass judges them.
    // A pass makes a missing catalogue and then holds no copy current; an
    // empty one in memory says the same, and the dry run saves nothing.
    CopyLedger ledger;
    const std::string catalogue = listFile.folder() + std::string(disklayout::kProgramCatalogue);
    ledger.open(::access(catalogue.c_str(), F_OK) == 0 ? catalogue : std::string(":memory:"));
    ledger.useDisk({label, host.fileSystemUuid(driveRoot)});
    disk.setLedger(&ledger);
    SizingRule rule;
    rule.measureDisk(host, driveRoot);
    FolderTrail trail;
    trail.load(listFile.folder() + SeenFolders::fileName(label));
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
            trail.beginItem(item.path(), cutOff);
            SizingVisitor visitor(filters, trail, rule, disk, sizing);
            walker.walk(item.path(), item.withSubfolders(), visitor);
        } else if (sizing.problem.empty()) {
            struct stat st {};
            if (::stat(item.path().c_str(), &st) == 0 && S_ISREG(st.st_mode) && CutOffTest(cutOff).qualifies(st))
                SizingVisitor::count(
                    rule.size(AT_FDCWD, item.path().c_str(), item.path(), st, &disk, &sizing.replacedRoom), sizing);
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

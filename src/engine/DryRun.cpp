#include "engine/DryRun.h"

#include <cerrno>

#include "engine/CutOffTest.h"
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

class SizingVisitor final : public TreeVisitor {
public:
    SizingVisitor(const FileFilters &filters, CutOff cutOff, ItemSizing &sizing)
        : m_filters(filters), m_cutOff(cutOff), m_sizing(sizing)
    {
    }
    bool goOn() override { return true; }
    void folder(const std::string &) override {}
    void file(int, const char *name, const std::string &, const struct stat &st, bool) override
    {
        if (bannedext(m_filters, name) || !m_cutOff.qualifies(st))
            return;
        ++m_sizing.files;
        m_sizing.bytes += st.st_size;
    }
    void unreadable(const std::string &path, int error) override
    {
        if (m_sizing.problem.empty())
            m_sizing.problem = path + " cannot be read: " + std::generic_category().message(error);
    }

private:
    const FileFilters &m_filters;
    CutOffTest m_cutOff;
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
            SizingVisitor visitor(filters, cutOff, sizing);
            walker.walk(item.path(), item.withSubfolders(), visitor);
        } else if (sizing.problem.empty()) {
            struct stat st {};
            if (::stat(item.path().c_str(), &st) == 0 && S_ISREG(st.st_mode) && CutOffTest(cutOff).qualifies(st)) {
                sizing.files = 1;
                sizing.bytes = st.st_size;
            }
        }
        if (sizing.files > 0 && !RoomCheck::fits(free, sizing.bytes))
            sizing.moreDisks = RoomCheck::disksNeeded(free, sizing.bytes, capacity);
        if (free >= 0)
            free = std::max<std::int64_t>(0, free - sizing.bytes);
        sized.push_back(std::move(sizing));
    }
    return sized;
}

} // namespace quillarc

#include "catalogue/RestoreDiskMatch.h"

#include <gtest/gtest.h>

namespace quillarc {
namespace {

DiskPlan planned(std::int64_t id, const std::string &label, const std::string &uuid)
{
    DiskPlan disk;
    disk.diskId = id;
    disk.label = label;
    disk.uuid = uuid;
    return disk;
}

// Two disks named alike are told apart by their UUIDs wherever one is
// known; the label decides only where none is.
TEST(RestoreDiskMatch, TwoDisksOfOneLabelAreNeverTakenForEachOther)
{
    RestorePlan plan;
    plan.disks = {planned(1, "BACKUP", "1111-aaaa"), planned(2, "BACKUP", "2222-bbbb"), planned(3, "BACKUP", ""),
                  planned(4, "OTHER", "")};
    struct Case {
        std::size_t disk;
        const char *label, *uuid;
        bool matches;
    };
    const Case cases[] = {
        {0, "BACKUP", "1111-AAAA", true},                                     // case of the UUID does not matter
        {0, "BACKUP", "2222-bbbb", false},                                    // the other disk of the same label
        {1, "BACKUP", "2222-bbbb", true},  {0, "RENAMED", "1111-aaaa", true}, // relabelled since: still the same disk
        {0, "BACKUP", "", true},           // UUID unreadable: the label, and the hash check after
        {2, "BACKUP", "1111-aaaa", false}, // a known disk's UUID is not the unknown one
        {2, "BACKUP", "3333-cccc", true},  {3, "OTHER", "", true},
        {3, "BACKUP", "", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isPlannedDisk(plan, plan.disks[c.disk], c.label, c.uuid), c.matches)
            << "plan disk " << c.disk << " vs " << c.label << " " << c.uuid;
}

} // namespace
} // namespace quillarc

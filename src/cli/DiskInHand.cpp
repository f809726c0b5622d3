#include "cli/DiskInHand.h"

#include "platform/linux/DiskUuid.h"
#include "platform/linux/LinuxVolumeHost.h"

namespace quillarc {

DiskInHand DiskInHand::of(const PassOptions &options)
{
    DiskInHand disk;
    disk.chosen = ChosenDisk::of(options);
    disk.error = disk.chosen.error;
    if (!disk.error.empty())
        return disk;
    disk.root = LinuxVolumeHost().mediumRoot(disk.chosen.drive);
    if (disk.root.empty()) {
        disk.error = "NO BACKUP VOLUME INSERTED";
        return disk;
    }
    disk.uuid = fileSystemUuid(disk.root);
    return disk;
}

std::int64_t DiskInHand::freeBytes() const
{
    return LinuxVolumeHost().freeBytes(chosen.drive);
}

} // namespace quillarc

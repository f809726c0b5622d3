#include "engine/SizingRule.h"

#include "engine/BackupDisk.h"
#include "engine/FileRoom.h"
#include "engine/PathRules.h"
#include "platform/VolumeHost.h"

namespace quillarc {

void SizingRule::measureDisk(const VolumeHost &host, const std::string &driveRoot)
{
    m_largestCopy = host.largestFile(driveRoot);
    const std::int64_t capacity = host.totalBytes(driveRoot);
    m_largerThanDisk = capacity > 0 && capacity < m_largestCopy;
    if (m_largerThanDisk)
        m_largestCopy = capacity;
}

bool SizingRule::tooLarge(const struct stat &st, std::int64_t bytes) const
{
    // The file system's limit is on the length (FAT's 4 GiB); a disk's
    // capacity is on the blocks, which for a sparse file are fewer.
    return bytes > m_largestCopy || (!m_largerThanDisk && st.st_size > m_largestCopy);
}

std::string SizingRule::tooLargeCause() const
{
    if (m_largerThanDisk)
        return "larger than an empty backup disk of this kind can hold (" + std::to_string(m_largestCopy) + " bytes)";
    return "larger than the backup disk's file system allows (" + std::to_string(m_largestCopy) + " bytes at most)";
}

SizingRule::Sized SizingRule::size(int dirFd, const char *name, const std::string &path, const struct stat &st,
                                   BackupDisk *disk, std::int64_t *replacedRoom) const
{
    const std::int64_t bytes = bytesToWrite(dirFd, name, st);
    if (tooLarge(st, bytes))
        return {Share::TooLarge, 0};
    // A file that qualified again within the cut-off's margin may have a
    // current copy already: it is not written again and needs no room.
    if (disk != nullptr && !disk->root().empty() &&
        disk->hasCurrentCopy(PathRules::relativeOnDisk(path), st, replacedRoom))
        return {Share::Current, 0};
    return {Share::ToWrite, bytes};
}

} // namespace quillarc

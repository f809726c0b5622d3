#include "engine/RoomCheck.h"

#include <algorithm>

namespace quillarc::RoomCheck {

bool fits(std::int64_t freeBytes, std::int64_t folderBytesTotal)
{
    return freeBytes > folderBytesTotal;
}

std::int64_t disksNeeded(std::int64_t freeBytes, std::int64_t folderBytesTotal, std::int64_t capacity)
{
    if (capacity <= 0)
        return 1;
    const std::int64_t rest = folderBytesTotal - freeBytes;
    std::int64_t disks = rest / capacity;
    if (rest % capacity != 0)
        ++disks;
    return disks <= 0 ? 1 : disks;
}

Decision decide(std::int64_t freeBytes, std::int64_t versionsBytes, std::int64_t folderBytesTotal,
                std::int64_t capacity)
{
    if (fits(freeBytes, folderBytesTotal))
        return {Room::Fits, 0};
    const std::int64_t room = freeBytes < 0 ? freeBytes : freeBytes + std::max<std::int64_t>(0, versionsBytes);
    if (fits(room, folderBytesTotal))
        return {Room::TakesVersions, 0};
    return {Room::NeedsDisks, disksNeeded(room, folderBytesTotal, capacity)};
}

std::string prompt(std::int64_t disks)
{
    if (disks == 1)
        return "NO ROOM ON THE BACKUP DISK\rTO COMPLETE THE BACKUP OF THIS FOLDER\r"
               "YOU WILL NEED ONE FORMATTED DISK READY.\rIF YOU HAVE THE DISK READY CHOOSE YES.\r"
               "IF YOU WISH TO CANCEL THE OPERATION CHOOSE CANCEL\r\rONE FORMATTED DISK READY?";
    const std::string n = std::to_string(disks);
    return "NO ROOM ON THE BACKUP DISK\rTO COMPLETE THE BACKUP OF THIS FOLDER\rYOU WILL NEED " + n +
           " FORMATTED DISKS READY.\rIF YOU HAVE THE DISKS READY CHOOSE YES.\r"
           "IF YOU WISH TO CANCEL THE OPERATION CHOOSE CANCEL\r\r" +
           n + " FORMATTED DISKS READY?";
}

} // namespace quillarc::RoomCheck

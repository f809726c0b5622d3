#include "engine/StartCheck.h"

#include "lists/BackupList.h"

namespace quillarc {

StartCheck checkStart(std::int64_t freeBytes, const BackupList &list)
{
    if (freeBytes == 0)
        return StartCheck::NoFreeSpace;
    if (list.empty())
        return StartCheck::EmptyList;
    if (list.checkedCount() == 0)
        return StartCheck::NothingChecked;
    return StartCheck::Go;
}

std::string startMessage(StartCheck check)
{
    switch (check) {
    case StartCheck::NoFreeSpace:
        return "NO FREE SPACE ON THIS DISK";
    case StartCheck::NothingChecked:
        return "NO ITEMS HAVE BEEN CHECKMARKED ON THE BACKUP LIST.";
    case StartCheck::Go:
    case StartCheck::EmptyList:
        break;
    }
    return {};
}

} // namespace quillarc

#include "engine/StartCheck.h"

#include "platform/PassLock.h"

#include "engine/PathRules.h"
#include "lists/BackupList.h"

namespace quillarc {

StartRefusal checkStart(std::int64_t freeBytes, const BackupList &list)
{
    if (freeBytes == 0)
        return StartRefusal::NoFreeSpace;
    if (list.empty())
        return StartRefusal::EmptyList;
    if (list.checkedCount() == 0)
        return StartRefusal::NothingChecked;
    return StartRefusal::None;
}

std::string startMessage(StartRefusal refusal)
{
    switch (refusal) {
    case StartRefusal::NoFreeSpace:
        return "NO FREE SPACE ON THIS DISK";
    case StartRefusal::NothingChecked:
        return "NO ITEMS HAVE BEEN CHECKMARKED ON THE BACKUP LIST.";
    case StartRefusal::PassRunning:
        return PassLock::busyMessage();
    case StartRefusal::DiskUnlockable:
        return PassLock::unlockableMessage();
    case StartRefusal::None:
    case StartRefusal::EmptyList:
        break;
    }
    return {};
}

std::string itemProblem(const BackupItem &item, CutOff &cutOff)
{
    if (!PathRules::isNormalAbsolute(item.path()))
        return R"(the path must be absolute, without "." or ".." parts)";
    if (!item.cutOff())
        return "its cut-off \"" + item.text(TextFloat) + "\" is not a number";
    cutOff = *item.cutOff();
    return {};
}

} // namespace quillarc

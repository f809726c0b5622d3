#include "engine/DiskChange.h"

#include "engine/DiskFullRules.h"
#include "engine/PathRules.h"
#include "lists/DiskListFile.h"
#include "platform/VolumeHost.h"

#include <sys/stat.h>
#include <vector>

namespace quillarc {

DiskChange DiskChange::ask(PassUi &ui, const VolumeHost &host, const std::string &driveRoot, std::int64_t size,
                           const BackupList &list, const DiskListFile &listFile)
{
    // Taken before the dialog: the list the full disk was filled from.
    std::vector<std::string> snapshot;
    DiskListFile::appendItemLines(list, snapshot);
    DiskFullRules rules(host, driveRoot, size, [&listFile](const std::string &name) {
        struct stat st {};
        return ::stat(listFile.pathFor(name).c_str(), &st) == 0;
    });

    DiskChange change;
    change.answer = ui.diskFull(rules);
    if (change.answer == DiskFullResult::Cancel)
        return change;
    change.label = host.volumeLabel(driveRoot);
    if (change.label.empty())
        return change;
    try {
        listFile.SaveIniInfo(change.label, snapshot);
    } catch (const std::exception &error) {
        change.saveError = PathRules::withFullStop(error.what());
    }
    return change;
}

} // namespace quillarc

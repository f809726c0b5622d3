#include "cli/DiskStatusReport.h"

#include "catalogue/DiskCatalogueStatus.h"
#include "cli/ChosenDisk.h"
#include "cli/PassRunner.h"
#include "cli/ProgramCatalogue.h"
#include "engine/PassLog.h"
#include "lists/DiskStatus.h"
#include "lists/DiskStatusRecord.h"
#include "platform/linux/LinuxVolumeHost.h"

#include <ctime>
#include <iostream>

namespace quillarc {

std::string diskStatusLines(const std::string &programFolder, const std::string &label)
{
    return diskStatusLines(programFolder, label, PassLog(programFolder).path()) +
           diskCatalogueLines(programCatalogueFile(programFolder), {label, ""});
}

std::string diskStatusText(const std::string &programFolder)
{
    const std::vector<std::string> labels = knownLabels(programFolder);
    if (labels.empty())
        return "No disk is known yet: no disk list file in " + programFolder + ".\n";
    std::string text;
    for (const std::string &label : labels)
        text += label + "\n" + diskStatusLines(programFolder, label);
    return text;
}

int showDiskStatus(const PassOptions &options)
{
    const ChosenDisk program = ChosenDisk::programFolderOf(options);
    if (!program.error.empty()) {
        std::cerr << program.error << "\n";
        return ExitRefused;
    }
    std::cout << diskStatusText(program.programFolder) << std::flush;
    return std::cout.good() ? ExitComplete : ExitEnded;
}

void recordPass(const std::string &programFolder, const PassOutcome &outcome, std::int64_t freeBytes,
                std::chrono::system_clock::time_point when)
{
    if (!outcome.started() || outcome.volumeLabel.empty())
        return;
    DiskStatusRecord record;
    record.when = std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
    record.date = passLogTime(when);
    record.ending = passEndName(outcome.end);
    record.copied = outcome.filesCopied;
    record.missed = outcome.filesMissed;
    record.freeBytes = freeBytes;
    const DiskStatusRecords records(programFolder);
    try {
        records.save(outcome.volumeLabel, record);
    } catch (const std::exception &error) {
        std::cerr << "quillarc-pass: the status of " << outcome.volumeLabel << " could not be kept in "
                  << records.pathFor(outcome.volumeLabel) << ": " << error.what() << "\n";
    }
}

void recordPass(const PassOptions &options, const PassOutcome &outcome)
{
    if (!outcome.started())
        return;
    const ChosenDisk disk = ChosenDisk::of(options);
    if (disk.programFolder.empty())
        return;
    const std::int64_t free = disk.drive.empty() ? -1 : LinuxVolumeHost().freeBytes(disk.drive);
    recordPass(disk.programFolder, outcome, free, std::chrono::system_clock::now());
}

} // namespace quillarc

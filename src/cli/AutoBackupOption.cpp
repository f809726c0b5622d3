#include "cli/AutoBackupOption.h"

#include "cli/ChosenDisk.h"
#include "cli/PassRunner.h"
#include "engine/PathRules.h"
#include "lists/AutoBackupSetting.h"
#include "lists/DiskListFile.h"

#include <iostream>

namespace quillarc {

int setAutoBackup(const PassOptions &options)
{
    // A disk is opted out by its label alone: the person who wants no pass
    // when it is plugged in must not have to plug it in first.
    ChosenDisk disk = options.label.empty() ? ChosenDisk::of(options) : ChosenDisk::programFolderOf(options);
    if (!options.label.empty())
        disk.label = options.label;
    if (!disk.error.empty()) {
        std::cerr << disk.error << "\n";
        return ExitRefused;
    }
    const bool on = options.autoBackup == "on";
    const AutoBackupSetting setting(disk.programFolder);
    try {
        switch (setting.set(disk.label, on)) {
        case AutoBackupSetting::SetResult::Saved:
            break;
        case AutoBackupSetting::SetResult::NoLabel:
            std::cerr << kNoVolumeLabelMessage << "\n";
            return ExitRefused;
        case AutoBackupSetting::SetResult::UnknownDisk:
            std::cerr << kUnknownDiskMessage << "\n"
                      << "quillarc-pass: " << disk.label
                      << " has no backup list yet; add files or folders to it in the window first.\n";
            return ExitRefused;
        }
    } catch (const std::exception &error) {
        std::cerr << setting.pathFor(disk.label) << ": " << PathRules::withFullStop(error.what()) << "\n";
        return ExitRefused;
    }
    std::cout << disk.label
              << (on ? ": a pass starts whenever this disk is mounted while quillarc-pass --watch runs.\n"
                     : ": no pass starts by itself when this disk is mounted.\n")
              << std::flush;
    return ExitComplete;
}

} // namespace quillarc

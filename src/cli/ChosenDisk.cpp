#include "cli/ChosenDisk.h"

#include "base/FolderPath.h"
#include "engine/PathRules.h"
#include "lists/DiskListFile.h"
#include "platform/ProgramFolder.h"
#include "platform/linux/LinuxVolumeHost.h"

#include <filesystem>
#include <sys/stat.h>

namespace quillarc {

namespace {

bool isFolder(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

ChosenDisk ChosenDisk::programFolderOf(const PassOptions &options)
{
    ChosenDisk chosen;
    try {
        chosen.programFolder =
            options.programFolder.empty() ? ProgramFolder::programFolder() : withSlash(options.programFolder);
    } catch (const std::exception &error) {
        chosen.error = PathRules::withFullStop(error.what());
        return chosen;
    }
    std::error_code ignored;
    chosen.programFolder = withSlash(std::filesystem::absolute(chosen.programFolder, ignored).string());
    if (!isFolder(chosen.programFolder))
        chosen.error =
            "quillarc-pass: the program folder " + chosen.programFolder + " does not exist or is not a folder.";
    else if (!options.drive.empty() && !DriveRoot::of(withSlash(options.drive)))
        chosen.error = "quillarc-pass: the backup drive " + withSlash(options.drive) +
                       " given by --drive is not an absolute folder path.";
    chosen.configPath = chosen.programFolder + std::string(kConfigFileName);
    return chosen;
}

ChosenDisk ChosenDisk::driveOf(const PassOptions &options)
{
    ChosenDisk chosen = programFolderOf(options);
    if (!chosen.error.empty())
        return chosen;
    try {
        LoadPConfigFile(chosen.configPath, chosen.config);
    } catch (const std::exception &error) {
        chosen.error = chosen.configPath + ": " + PathRules::withFullStop(error.what());
        return chosen;
    }
    if (!options.drive.empty())
        chosen.config.drive = DriveRoot::of(withSlash(options.drive)); // checked with the program folder
    if (!chosen.config.drive && !chosen.config.unusableDriveText.empty())
        chosen.error = "quillarc-pass: the backup drive \"" + chosen.config.unusableDriveText + "\" in " +
                       chosen.configPath +
                       " is not a folder path ending in \"/\"; choose the drive again in the window, or give --drive.";
    else if (!chosen.config.drive)
        chosen.error = "NO BACKUP VOLUME INSERTED";
    else if (!isFolder(chosen.config.drive->path()))
        chosen.error =
            "quillarc-pass: the backup drive " + chosen.config.drive->path() + " does not exist or is not a folder.";
    else
        chosen.drive = chosen.config.drive->path();
    return chosen;
}

ChosenDisk ChosenDisk::of(const PassOptions &options)
{
    ChosenDisk chosen = driveOf(options);
    if (chosen.error.empty() && (chosen.label = LinuxVolumeHost().volumeLabel(chosen.drive)).empty())
        chosen.error = std::string(kNoVolumeLabelMessage);
    return chosen;
}

} // namespace quillarc

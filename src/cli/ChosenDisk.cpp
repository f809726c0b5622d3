#include "cli/ChosenDisk.h"

#include "engine/PathRules.h"
#include "lists/DiskListFile.h"
#include "lists/ProgramConfig.h"
#include "platform/DriveTools.h"
#include "platform/ProgramFolder.h"
#include "platform/linux/LinuxVolumeHost.h"

#include <filesystem>
#include <sys/stat.h>

namespace quillarc {

namespace {

std::string withSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

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
        chosen.error = PathRules::errorBoxText(error.what());
        return chosen;
    }
    std::error_code ignored;
    // Absolute, so that the log a notification names is found from anywhere.
    chosen.programFolder = withSlash(std::filesystem::absolute(chosen.programFolder, ignored).string());
    if (!isFolder(chosen.programFolder))
        chosen.error =
            "quillarc-pass: the program folder " + chosen.programFolder + " does not exist or is not a folder.";
    return chosen;
}

ChosenDisk ChosenDisk::of(const PassOptions &options)
{
    ChosenDisk chosen = programFolderOf(options);
    if (!chosen.error.empty())
        return chosen;
    const std::string configPath = chosen.programFolder + std::string(kConfigFileName);
    ProgramConfig config;
    try {
        LoadPConfigFile(configPath, config);
    } catch (const std::exception &error) {
        chosen.error = configPath + ": " + PathRules::errorBoxText(error.what());
        return chosen;
    }
    chosen.drive = options.drive.empty() ? config.driveText : withSlash(options.drive);
    if (chosen.drive.empty() || chosen.drive == kNoDriveText)
        chosen.error = "NO BACKUP VOLUME INSERTED";
    else if (!isDriveRoot(chosen.drive) || !isFolder(chosen.drive))
        chosen.error = "quillarc-pass: the backup drive " + chosen.drive + " does not exist or is not a folder.";
    else if ((chosen.label = LinuxVolumeHost().volumeLabel(chosen.drive)).empty())
        chosen.error = std::string(kNoVolumeLabelMessage);
    return chosen;
}

} // namespace quillarc

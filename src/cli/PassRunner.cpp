#include "cli/PassRunner.h"

#include "cli/TerminalPassUi.h"
#include "engine/BackupPass.h"
#include "engine/PathRules.h"
#include "engine/StartCheck.h"
#include "engine/TBackupThread.h"
#include "lists/BackupList.h"
#include "lists/Clock.h"
#include "lists/DiskListFile.h"
#include "lists/ProgramConfig.h"
#include "platform/ProgramFolder.h"
#include "platform/linux/LinuxVolumeHost.h"

#include <csignal>
#include <iostream>
#include <unistd.h>

namespace quillarc {

namespace {

PassFlag *abortOnSignal = nullptr;

extern "C" void onInterrupt(int)
{
    // A lock-free atomic store: safe in a signal handler.
    if (abortOnSignal)
        abortOnSignal->set();
}

int refuse(const std::string &text)
{
    std::cerr << TerminalPassUi::asLines(text) << "\n";
    return ExitRefused;
}

std::string withSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

int runPass(const PassOptions &options)
{
    std::string programFolder;
    ProgramConfig config;
    try {
        programFolder = options.programFolder.empty() ? ProgramFolder::programFolder() : withSlash(options.programFolder);
        LoadPConfigFile(programFolder + std::string(kConfigFileName), config);
    } catch (const std::exception &error) {
        return refuse(PathRules::errorBoxText(error.what()));
    }

    const std::string drive = options.drive.empty() ? config.driveText : withSlash(options.drive);
    if (drive == kNoDriveText || drive.empty() || drive.front() != '/')
        return refuse("NO BACKUP VOLUME INSERTED");

    LinuxVolumeHost host;
    const std::string label = host.volumeLabel(drive);
    if (label.empty())
        return refuse(std::string(kNoVolumeLabelMessage));
    const std::int64_t free = host.freeBytes(drive);

    BackupList list;
    DiskListFile listFile(programFolder);
    try {
        const DiskListFile::LoadResult loaded = listFile.LoadIniFile(label, list);
        if (loaded != DiskListFile::LoadResult::Loaded)
            return refuse(std::string(DiskListFile::messageFor(loaded)));
    } catch (const std::exception &error) {
        return refuse(PathRules::errorBoxText(error.what()));
    }

    const StartCheck check = checkStart(free, list);
    if (check == StartCheck::EmptyList)
        return refuse(startMessage(StartCheck::NothingChecked));
    if (check != StartCheck::Go)
        return refuse(startMessage(check));

    FileFilters filters;
    filters.exclude = config.exclude;
    filters.extensions = config.extensions;
    filters.patterns = config.patterns;

    TerminalPassUi ui(::isatty(STDIN_FILENO) == 1, options.yes);
    BackupPass pass(PassSetup{list, ui, host, listFile, Clock::system(), filters, drive, label});
    pass.reset();
    ui.endWaitsOn(pass.state.AbortFlag);

    abortOnSignal = &pass.state.AbortFlag;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // a question waiting for input sees the flag on its next poll
    struct sigaction previous {};
    ::sigaction(SIGINT, &action, &previous);
    {
        TBackupThread worker(pass, ui);
        worker.join();
    }
    pass.passFinished();
    ::sigaction(SIGINT, &previous, nullptr);
    abortOnSignal = nullptr;

    std::cout << pass.fileStatus() << "\n" << pass.folderStatus() << "\n" << std::flush;
    return pass.fileStatus().rfind("Complete...", 0) == 0 ? ExitComplete : ExitEnded;
}

} // namespace quillarc

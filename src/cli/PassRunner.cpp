#include "cli/PassRunner.h"

#include "engine/OneLine.h"

#include "cli/TerminalPassUi.h"
#include "engine/BackupRun.h"
#include "engine/DryRun.h"
#include "engine/ExclusionTest.h"
#include "engine/PathRules.h"
#include "engine/StartCheck.h"
#include "lists/BackupList.h"
#include "lists/Clock.h"
#include "lists/DiskListFile.h"
#include "lists/ProgramConfig.h"
#include "platform/DriveTools.h"
#include "platform/ProgramFolder.h"
#include "platform/linux/LinuxVolumeHost.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {

namespace {

BackupRun *abortOnSignal = nullptr;

extern "C" void onInterrupt(int)
{
    // BackupRun::abort() is one lock-free atomic store: safe here.
    if (abortOnSignal)
        abortOnSignal->abort();
}

// A value echoed whole into a message can run to megabytes (a config line
// of digits); its middle is left out on the terminal.
std::string shortened(const std::string &text)
{
    constexpr std::size_t kMost = 400;
    if (text.size() <= kMost)
        return text;
    return text.substr(0, 200) + " ... (" + std::to_string(text.size() - 300) + " characters left out) ... " +
           text.substr(text.size() - 100);
}

int refuse(const std::string &text)
{
    std::cerr << TerminalPassUi::asLines(shortened(text)) << "\n";
    return ExitRefused;
}

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

// Signals that end the pass the way ABORT does; restored when the pass is
// over.
class AbortOnSignals {
public:
    explicit AbortOnSignals(BackupRun &run)
    {
        abortOnSignal = &run;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // a question waiting for input sees the flag on its next poll
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            ::sigaction(kSignals[i], &action, &m_previous[i]);
    }
    ~AbortOnSignals()
    {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            ::sigaction(kSignals[i], &m_previous[i], nullptr);
        abortOnSignal = nullptr;
    }
    AbortOnSignals(const AbortOnSignals &) = delete;
    AbortOnSignals &operator=(const AbortOnSignals &) = delete;

private:
    static constexpr std::array<int, 3> kSignals {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> m_previous {};
};

int dryRun(const BackupList &list, const FileFilters &filters, const VolumeHost &host, const std::string &drive)
{
    std::int64_t files = 0, bytes = 0, disks = 0;
    for (const ItemSizing &item : sizeCheckedItems(list, filters, host, drive)) {
        std::cout << item.path << ": " << item.files << " files, " << item.bytes << " bytes";
        if (item.moreDisks > 0)
            std::cout << ", needs " << item.moreDisks << " more disk" << (item.moreDisks == 1 ? "" : "s");
        if (!item.problem.empty())
            std::cout << " (" << item.problem << ")";
        std::cout << "\n";
        files += item.files;
        bytes += item.bytes;
        disks = std::max(disks, item.moreDisks);
    }
    std::cout << "Would copy " << files << " files, " << bytes << " bytes";
    if (disks > 0)
        std::cout << "; the disk in the drive is not enough";
    std::cout << ". Nothing was copied or saved.\n" << std::flush;
    return std::cout.good() ? ExitComplete : ExitEnded;
}

} // namespace

int runPass(const PassOptions &options)
{
    // A closed pipe on standard output is reported as a failed write, not
    // by the signal that would end the pass half way.
    std::signal(SIGPIPE, SIG_IGN);

    std::string programFolder;
    ProgramConfig config;
    try {
        programFolder =
            options.programFolder.empty() ? ProgramFolder::programFolder() : withSlash(options.programFolder);
    } catch (const std::exception &error) {
        return refuse(PathRules::errorBoxText(error.what()));
    }
    if (!isFolder(programFolder))
        return refuse("quillarc-pass: the program folder " + programFolder + " does not exist or is not a folder.");
    const std::string configPath = programFolder + std::string(kConfigFileName);
    try {
        LoadPConfigFile(configPath, config);
    } catch (const std::exception &error) {
        return refuse(configPath + ": " + PathRules::errorBoxText(error.what()));
    }

    std::string drive = options.drive.empty() ? config.driveText : withSlash(options.drive);
    if (drive == kNoDriveText || drive.empty())
        return refuse("NO BACKUP VOLUME INSERTED");
    if (!isDriveRoot(drive))
        return refuse("quillarc-pass: the backup drive \"" + drive + "\" in " + configPath +
                      " is not a folder path ending in \"/\"; choose the drive again in the window, or give --drive.");
    if (!isFolder(drive))
        return refuse("quillarc-pass: the backup drive " + drive + " does not exist or is not a folder.");

    LinuxVolumeHost host;
    const std::string label = host.volumeLabel(drive);
    if (label.empty())
        return refuse(std::string(kNoVolumeLabelMessage));

    BackupList list;
    DiskListFile listFile(programFolder);
    try {
        const DiskListFile::LoadResult loaded = listFile.LoadIniFile(label, list);
        if (loaded != DiskListFile::LoadResult::Loaded)
            return refuse(std::string(DiskListFile::messageFor(loaded)));
    } catch (const std::exception &error) {
        return refuse(listFile.pathFor(label) + ": " + PathRules::errorBoxText(error.what()));
    }

    FileFilters filters;
    filters.exclude = config.exclude;
    filters.extensions = config.extensions;
    filters.patterns = config.patterns;

    if (options.dryRun)
        return dryRun(list, filters, host, drive);

    TerminalPassUi ui(::isatty(STDIN_FILENO) == 1, options.yes);
    BackupRun run(RunSetup {list, ui, host, listFile, Clock::system(), filters, drive, label});
    {
        AbortOnSignals signals(run);
        if (!run.start()) {
            // An empty list is refused like one with nothing checked: there
            // is nothing to back up either way.
            const PassOutcome &refused = run.outcome();
            return refuse(refused.refusal == StartRefusal::EmptyList ? startMessage(StartRefusal::NothingChecked)
                                                                     : refused.refusalMessage);
        }
        ui.endWaitsOn(run.state().AbortFlag);
        while (run.workerRunning()) {
            run.deliverProgress();
            const struct timespec tenth {
                0, 100'000'000
            };
            ::nanosleep(&tenth, nullptr);
        }
        run.wait();
        run.finished();
        ui.endProgress();
    }

    const PassOutcome &outcome = run.outcome();
    for (const MissedEntry &missed : outcome.missed)
        std::cerr << "missed: " << oneLine(missed.path) << ": " << oneLine(missed.cause) << "\n";
    if (outcome.filesMissed > static_cast<std::int64_t>(outcome.missed.size()))
        std::cerr << "missed: ... and " << outcome.filesMissed - static_cast<std::int64_t>(outcome.missed.size())
                  << " more (see " << outcome.logPath << ")\n";
    if (!outcome.listSaved)
        std::cerr << "the backup list was not saved"
                  << (outcome.listSaveError.empty() ? "" : ": " + oneLine(outcome.listSaveError)) << "\n";
    if (!outcome.logError.empty())
        std::cerr << "the pass log could not be written: " << oneLine(outcome.logError) << "\n";
    else if (outcome.filesMissed > 0)
        std::cerr << outcome.filesMissed << " files or folders were not backed up; they are listed in "
                  << outcome.logPath << "\n";

    std::cout << outcome.fileStatus << "\n" << outcome.folderStatus << "\n" << std::flush;
    if (!std::cout.good())
        return ExitEnded;
    return outcome.clean() ? ExitComplete : ExitEnded;
}

} // namespace quillarc

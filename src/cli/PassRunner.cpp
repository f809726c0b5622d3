#include "cli/PassRunner.h"

#include "engine/OneLine.h"

#include "cli/ChosenDisk.h"
#include "cli/StopSignals.h"
#include "cli/TerminalPassUi.h"
#include "cli/WakeUp.h"
#include "engine/BackupRun.h"
#include "engine/DiskSession.h"
#include "engine/DryRun.h"
#include "engine/ExclusionTest.h"
#include "engine/PathRules.h"
#include "engine/StartCheck.h"
#include "lists/BackupList.h"
#include "base/Clock.h"
#include "lists/DiskListFile.h"
#include "platform/linux/LinuxVolumeHost.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace quillarc {

namespace {

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

// Why no pass was started: on standard error, and in the caller's report.
int refuse(PassReport &report, const std::string &text)
{
    report.refusal = text;
    std::cerr << TerminalPassUi::asLines(shortened(text)) << "\n";
    return ExitRefused;
}

int dryRun(const RunSetup &setup)
{
    std::int64_t files = 0, bytes = 0, disks = 0;
    for (const ItemSizing &item :
         sizeCheckedItems(setup.list, setup.filters, setup.host, setup.driveRoot, setup.listFile, setup.volumeLabel)) {
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

// The label of the disk in the drive, then the list read from that label's
// file; the exit code when either is missing or unreadable.
std::optional<int> readLabelAndList(DiskSession &session, PassReport &report)
{
    session.readLabel();
    report.label = session.label();
    if (session.label().empty())
        return refuse(report, std::string(kNoVolumeLabelMessage));
    try {
        const DiskListFile::LoadResult loaded = session.readList();
        if (loaded != DiskListFile::LoadResult::Loaded)
            return refuse(report, std::string(DiskListFile::messageFor(loaded)));
    } catch (const std::exception &error) {
        return refuse(report,
                      session.listFile().pathFor(session.label()) + ": " + PathRules::withFullStop(error.what()));
    }
    return std::nullopt;
}

// Starts the worker and keeps the terminal up to date until it ends; the
// exit code when the run refuses to start.
std::optional<int> watchRun(BackupRun &run, TerminalPassUi &ui, const PassHooks &hooks, PassReport &report)
{
    const WakeUp wake;
    ui.wakeOnEnd(&wake);
    // Set before the worker starts, which may ask its first question at once.
    ui.endWaitsOn(run.state().AbortFlag);
    StopSignals signals(&wake);
    signals.abortOnSignal(&run);
    if (!run.start()) {
        // An empty list is refused like one with nothing checked: there
        // is nothing to back up either way.
        const PassOutcome &refused = run.outcome();
        return refuse(report, refused.refusal == StartRefusal::EmptyList ? startMessage(StartRefusal::NothingChecked)
                                                                         : refused.refusalMessage);
    }
    // The worker wakes us as its last act; a terminal's progress line is
    // drawn ten times a second meanwhile, and nothing else needs us.
    const auto redraw =
        ui.showsProgress() || hooks.whilePassing ? std::optional(std::chrono::milliseconds(100)) : std::nullopt;
    while (run.workerRunning()) {
        run.deliverProgress();
        if (hooks.whilePassing)
            hooks.whilePassing(run);
        wake.wait(redraw);
    }
    run.wait();
    run.finished();
    ui.endProgress();
    ui.wakeOnEnd(nullptr);
    report.interrupted = StopSignals::arrived();
    return std::nullopt;
}

// What the pass left undone, on standard error.
void tellWhatWasMissed(const PassOutcome &outcome)
{
    for (const MissedEntry &missed : outcome.missed)
        std::cerr << "missed: " << oneLine(missed.path) << ": " << oneLine(missed.cause) << "\n";
    if (outcome.filesMissed > static_cast<std::int64_t>(outcome.missed.size()))
        std::cerr << "missed: ... and " << outcome.filesMissed - static_cast<std::int64_t>(outcome.missed.size())
                  << " more (see " << outcome.logPath << ")\n";
    // Not misses, but a person at the terminal should hear of them as the
    // log does: a copy kept as read, an older copy moved aside.
    for (const MissedEntry &note : outcome.notes)
        std::cerr << "note: " << oneLine(note.path) << ": " << oneLine(note.cause) << "\n";
    if (outcome.itemsLeft > 0)
        std::cerr << "left for the next disk: " << outcome.itemsLeft << " items, " << outcome.filesLeft
                  << " files of the item in hand\n";
    if (!outcome.listSaved)
        std::cerr << "the backup list was not saved"
                  << (outcome.listSaveError.empty() ? "" : ": " + oneLine(outcome.listSaveError)) << "\n";
    if (!outcome.logError.empty())
        std::cerr << "the pass log could not be written: " << oneLine(outcome.logError) << "\n";
    else if (outcome.filesMissed > 0)
        std::cerr << outcome.filesMissed << " files or folders were not backed up; they are listed in "
                  << outcome.logPath << "\n";
}

} // namespace

int runPass(const PassOptions &options, const PassHooks &hooks)
{
    PassReport unused;
    PassReport &report = hooks.report ? *hooks.report : unused;
    report = PassReport {};

    // A closed pipe on standard output is reported as a failed write, not
    // by the signal that would end the pass half way.
    std::signal(SIGPIPE, SIG_IGN);

    // The same chain as the window's: config, drive, the label of the disk
    // in it, the list read from that label's file.
    const ChosenDisk chosen = ChosenDisk::driveOf(options);
    if (!chosen.error.empty())
        return refuse(report, chosen.error);
    LinuxVolumeHost host;
    DiskSession session(host, chosen.programFolder);
    session.config() = chosen.config;
    if (const std::optional<int> refused = readLabelAndList(session, report))
        return *refused;

    TerminalPassUi ui(!hooks.neverAsk && ::isatty(STDIN_FILENO) == 1, options.yes);
    const RunSetup setup = session.runSetup(ui, Clock::system(), session.config().exclude);
    if (options.dryRun)
        return dryRun(setup);

    BackupRun run(setup);
    if (const std::optional<int> refused = watchRun(run, ui, hooks, report))
        return *refused;

    const PassOutcome &outcome = run.outcome();
    report.outcome = outcome;
    tellWhatWasMissed(outcome);
    std::cout << outcome.fileStatus << "\n" << outcome.folderStatus << "\n" << std::flush;
    if (!std::cout.good())
        return ExitEnded;
    return outcome.clean() ? ExitComplete : ExitEnded;
}

} // namespace quillarc

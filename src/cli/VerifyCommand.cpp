#include "cli/VerifyCommand.h"

#include "base/UniqueFd.h"
#include "catalogue/DiskLayout.h"
#include "catalogue/Verify.h"
#include "catalogue/CatalogueText.h"
#include "cli/DiskInHand.h"
#include "cli/PassRunner.h"
#include "cli/ProgramCatalogue.h"
#include "cli/StopSignals.h"
#include "cli/VerifyText.h"
#include "platform/PassLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillarc {

namespace {

// Reading a whole disk back must not slow the person's own work: the
// kernel serves this process only when the disks are otherwise idle.
void readAtIdlePriority()
{
    constexpr int kWhoProcess = 1;
    constexpr int kClassIdle = 3;
    constexpr int kClassShift = 13;
    ::syscall(SYS_ioprio_set, kWhoProcess, 0, kClassIdle << kClassShift);
}

struct Prepared {
    VerifyOptions verify;
    std::string error;
};

Prepared prepare(const PassOptions &options)
{
    Prepared prepared;
    prepared.verify.stamp = disklayout::passStamp(std::chrono::system_clock::now());
    if (!options.since.empty()) {
        const auto since = stampOfDay(options.since);
        if (!since)
            prepared.error = "quillarc-pass: --since takes a day as YYYY-MM-DD, not " + options.since;
        else
            prepared.verify.since = *since;
    }
    if (options.maxSeconds > 0)
        prepared.verify.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.maxSeconds);
    prepared.verify.failedOnly = options.failed;
    prepared.verify.stopRequested = [] { return StopSignals::arrived(); };
    return prepared;
}

} // namespace

int verifyCopies(const PassOptions &options, std::ostream &out, std::ostream &err)
{
    const DiskInHand inHand = DiskInHand::of(options);
    Prepared prepared = prepare(options);
    if (!inHand.error.empty() || !prepared.error.empty()) {
        err << (inHand.error.empty() ? prepared.error : inHand.error) << "\n";
        return ExitRefused;
    }
    const ChosenDisk &chosen = inHand.chosen;
    // No pass may write to the disk while it is read back.
    PassLock lock;
    if (lock.take(chosen.programFolder, inHand.root) == PassLock::Result::Busy) {
        err << PassLock::busyMessage() << "\n";
        return ExitRefused;
    }
    const UniqueFd root(::open(inHand.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    VerifyReport report;
    std::string findings;
    try {
        Catalogue catalogue(programCatalogueFile(chosen.programFolder));
        const auto disk = catalogue.findDisk({chosen.label, inHand.uuid});
        if (!disk || !root) {
            err << "quillarc-pass: " << chosen.label
                << " is not in the catalogue; quillarc-pass --catalogue brings it in.\n";
            return ExitRefused;
        }
        out << "Verifying the copies on " << chosen.label << "...\n" << std::flush;
        readAtIdlePriority();
        const StopSignals signals;
        report = verifyDisk(catalogue, *disk, root.get(), prepared.verify);
        for (const VerifyFinding &finding : report.findings)
            findings += findingText(finding, inHand.root, chosen.label);
        catalogue.diskSeen(*disk, prepared.verify.stamp, inHand.freeBytes());
        try {
            catalogue.writeDiskCopy(*disk, root.get());
        } catch (const CatalogueError &error) {
            err << "quillarc-pass: " << error.what() << "\n";
        }
    } catch (const CatalogueError &error) {
        err << "quillarc-pass: " << error.what() << "\n";
        return ExitRefused;
    }
    const std::string summary = verifySummary(report, chosen.label);
    (report.allGood() ? out : err) << findings << summary << "\n";
    if (!appendVerifyLog(chosen.programFolder, summary, findings))
        err << "quillarc-pass: the pass log in " << chosen.programFolder << " could not be written.\n";
    if (options.notify && ::isatty(STDIN_FILENO) != 1)
        notifyVerify(summary, report.allGood());
    return report.allGood() ? ExitComplete : ExitEnded;
}

} // namespace quillarc

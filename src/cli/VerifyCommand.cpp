#include "cli/VerifyCommand.h"

#include "catalogue/CatalogueText.h"
#include "catalogue/DiskLayout.h"
#include "cli/DiskInHand.h"
#include "cli/PassRunner.h"
#include "cli/StopSignals.h"
#include "cli/VerifyNotice.h"
#include "engine/DiskVerifyRun.h"

#include <sstream>
#include <unistd.h>

namespace quillarc {

namespace {

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
    const Prepared prepared = prepare(options);
    if (!inHand.error.empty() || !prepared.error.empty()) {
        err << (inHand.error.empty() ? prepared.error : inHand.error) << "\n";
        return ExitRefused;
    }
    const ChosenDisk &chosen = inHand.chosen;
    const DiskToVerify disk {chosen.programFolder, inHand.root, chosen.label, inHand.uuid, inHand.freeBytes()};
    const StopSignals signals;
    const DiskVerifyOutcome outcome = verifyDiskInDrive(disk, prepared.verify, [&](std::int64_t) {
        out << "Verifying the copies on " << chosen.label << "...\n" << std::flush;
    });
    if (outcome.start != DiskVerifyOutcome::Start::Ran) {
        err << (outcome.start == DiskVerifyOutcome::Start::Busy ? "" : "quillarc-pass: ") << outcome.error << "\n";
        return ExitRefused;
    }
    const bool allGood = outcome.report.allGood();
    (allGood ? out : err) << outcome.findings << outcome.summary << "\n";
    // What went wrong after the copies were read: the disk's own catalogue
    // or the pass log not written. The verify itself stands.
    std::istringstream problems(outcome.error);
    for (std::string line; std::getline(problems, line);)
        err << "quillarc-pass: " << line << "\n";
    if (options.notify && ::isatty(STDIN_FILENO) != 1)
        notifyVerify(outcome.summary, allGood);
    return allGood ? ExitComplete : ExitEnded;
}

} // namespace quillarc

#include "engine/DiskVerifyRun.h"

#include "base/UniqueFd.h"
#include "catalogue/DiskLayout.h"
#include "engine/VerifyText.h"
#include "platform/PassLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillarc {

namespace {

// Reading a whole disk back must not slow the person's own work: the
// kernel serves this thread only when the disks are otherwise idle.
void readAtIdlePriority()
{
    constexpr int kWhoProcess = 1; // with 0: the calling thread
    constexpr int kClassIdle = 3;
    constexpr int kClassShift = 13;
    ::syscall(SYS_ioprio_set, kWhoProcess, 0, kClassIdle << kClassShift);
}

DiskVerifyOutcome refused(DiskVerifyOutcome::Start start, std::string error)
{
    DiskVerifyOutcome outcome;
    outcome.start = start;
    outcome.error = std::move(error);
    return outcome;
}

} // namespace

DiskVerifyOutcome verifyDiskInDrive(const DiskToVerify &disk, const VerifyOptions &options,
                                    const std::function<void(std::int64_t copies)> &sized)
{
    using Start = DiskVerifyOutcome::Start;
    PassLock lock;
    switch (lock.take(disk.programFolder, disk.root)) {
    case PassLock::Result::Busy:
        return refused(Start::Busy, PassLock::busyMessage());
    case PassLock::Result::Unlockable:
        return refused(Start::Failed, PassLock::unlockableMessage());
    case PassLock::Result::Taken:
        break;
    }
    const std::string file = disk.programFolder + std::string(disklayout::kProgramCatalogue);
    const std::string notKnown = disk.label + " is not in the catalogue; quillarc-pass --catalogue brings it in.";
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0)
        return refused(Start::NotCatalogued, notKnown);
    const UniqueFd root(::open(disk.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root)
        return refused(Start::Failed, "The disk " + disk.label + " cannot be read at " + disk.root + ".");
    DiskVerifyOutcome outcome;
    outcome.start = Start::Ran;
    try {
        Catalogue catalogue(file);
        const auto id = catalogue.findDisk({disk.label, disk.uuid});
        if (!id)
            return refused(Start::NotCatalogued, notKnown);
        if (sized)
            sized(static_cast<std::int64_t>(catalogue.copiesOn(*id).size()));
        readAtIdlePriority();
        outcome.report = verifyDisk(catalogue, *id, root.get(), options);
        for (const VerifyFinding &finding : outcome.report.findings)
            outcome.findings += findingText(finding, disk.root, disk.label);
        catalogue.diskSeen(*id, options.stamp, disk.freeBytes);
        try {
            catalogue.writeDiskCopy(*id, root.get());
        } catch (const CatalogueError &error) {
            outcome.error = error.what();
        }
    } catch (const CatalogueError &error) {
        return refused(Start::Failed, error.what());
    }
    outcome.summary = verifySummary(outcome.report, disk.label);
    if (!appendVerifyLog(disk.programFolder, outcome.summary, outcome.findings))
        outcome.error += (outcome.error.empty() ? "" : "\n") + std::string("The pass log in ") + disk.programFolder +
                         " could not be written.";
    return outcome;
}

} // namespace quillarc

#include "cli/RestoreCommand.h"

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueText.h"
#include "catalogue/DiskLayout.h"
#include "catalogue/RestoreDiskMatch.h"
#include "catalogue/RestoreWriter.h"
#include "cli/ChosenDisk.h"
#include "cli/DiskInHand.h"
#include "cli/PassRunner.h"
#include "cli/RestoreText.h"
#include "cli/StopSignals.h"
#include "platform/PassLock.h"
#include "platform/RestoreHold.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace quillarc {

namespace {

std::string absolutePath(const std::string &path)
{
    std::error_code ignored;
    std::string absolute = std::filesystem::absolute(path, ignored).lexically_normal().string();
    while (absolute.size() > 1 && absolute.back() == '/')
        absolute.pop_back();
    return absolute;
}

/// How the files came out, for the lines at the end and the exit status.
struct Tally {
    std::size_t restored = 0, beside = 0, overwritten = 0, inPlace = 0, failed = 0;
    std::size_t done() const { return restored + beside + overwritten + inPlace; }
};

class RestoreRun {
public:
    RestoreRun(const PassOptions &options, RestorePlan plan)
        : m_options(options), m_plan(std::move(plan)), m_total(m_plan.fileCount()),
          m_terminal(::isatty(STDIN_FILENO) == 1)
    {
        m_settings.base = options.restoreTo.empty() ? "/" : options.restoreTo;
        m_settings.overwrite = options.overwrite;
        m_settings.date = dayText(std::chrono::system_clock::now());
    }

    int run();

private:
    void takeOutWhatIsInPlace(DiskPlan &disk);
    bool waitForDisk(const DiskPlan &disk, DiskInHand &inHand);
    void restoreFrom(const DiskPlan &disk, const DiskInHand &inHand);
    void notRestored(const DiskPlan &disk, const std::string &why);
    void report(const PlannedFile &file, const RestoreResult &result);
    bool stopping() const { return m_stop.load(std::memory_order_relaxed); }

    const PassOptions &m_options;
    RestorePlan m_plan;
    std::size_t m_total;
    bool m_terminal;
    RestoreSettings m_settings;
    std::atomic<bool> m_stop {false};
    Tally m_tally;
};

int RestoreRun::run()
{
    // The disk in the drive first, so that a run without a terminal restores
    // what it can.
    const DiskInHand first = DiskInHand::of(m_options);
    std::int64_t inDrive = -1;
    for (const DiskPlan &disk : m_plan.disks)
        if (inDrive < 0 && first.error.empty() && isPlannedDisk(m_plan, disk, first.chosen.label, first.uuid))
            inDrive = disk.diskId;
    std::stable_partition(m_plan.disks.begin(), m_plan.disks.end(),
                          [&](const DiskPlan &disk) { return disk.diskId == inDrive; });
    const StopSignals signals;
    for (DiskPlan &disk : m_plan.disks) {
        m_stop = StopSignals::arrived();
        DiskInHand inHand;
        if (disk.diskId != inDrive)
            takeOutWhatIsInPlace(disk);
        if (disk.files.empty())
            continue;
        if (stopping())
            notRestored(disk, "stopped");
        else if (waitForDisk(disk, inHand))
            restoreFrom(disk, inHand);
        else
            notRestored(disk, "needs disk " + disk.label);
    }
    std::cout << "Restored " << filesText(m_tally.done()) << " of " << m_total;
    if (m_tally.inPlace > 0)
        std::cout << " (" << m_tally.inPlace << " already in place)";
    if (m_tally.beside > 0)
        std::cout << "; " << filesText(m_tally.beside) << " put beside a different file";
    if (m_tally.overwritten > 0)
        std::cout << "; " << filesText(m_tally.overwritten) << " replaced, the old ones kept aside";
    std::cout << ".\n";
    const bool complete = m_tally.done() == m_total && m_plan.notFound.empty();
    if (!complete)
        std::cerr << "quillarc-pass: not everything was restored; run the same command again to go on.\n";
    return complete ? ExitComplete : ExitEnded;
}

// A restore run again finds what an earlier run put in place without
// asking for the disk it came from.
void RestoreRun::takeOutWhatIsInPlace(DiskPlan &disk)
{
    std::vector<PlannedFile> needed;
    for (PlannedFile &file : disk.files) {
        if (RestoreWriter::alreadyRestored(file, m_settings).empty()) {
            needed.push_back(std::move(file));
        } else {
            ++m_tally.inPlace;
            disk.bytes -= file.source.copy.size;
        }
    }
    disk.files = std::move(needed);
}

bool RestoreRun::waitForDisk(const DiskPlan &disk, DiskInHand &inHand)
{
    for (;;) {
        inHand = DiskInHand::of(m_options);
        if (inHand.error.empty() && isPlannedDisk(m_plan, disk, inHand.chosen.label, inHand.uuid))
            return true;
        if (!m_terminal)
            return false;
        std::cout << "Insert the backup disk \"" << disk.label << "\" (" << filesText(disk.files.size()) << ", "
                  << sizeText(disk.bytes) << ") and press Enter; s and Enter skips it: " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer) || StopSignals::arrived()) {
            m_stop = StopSignals::arrived();
            std::cout << "\n";
            return false;
        }
        if (answer == "s" || answer == "S")
            return false;
    }
}

void RestoreRun::restoreFrom(const DiskPlan &disk, const DiskInHand &inHand)
{
    const std::string &medium = inHand.root;
    // No pass writes to the disk while its copies are read.
    PassLock lock;
    if (lock.take({}, medium) == PassLock::Result::Busy) {
        notRestored(disk, std::string("disk ") + disk.label + ": " + PassLock::busyMessage());
        return;
    }
    const UniqueFd root(::open(medium.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root) {
        notRestored(disk, "disk " + disk.label + ": " + medium + " cannot be opened");
        return;
    }
    std::cout << "Restoring from disk " << disk.label << " (" << filesText(disk.files.size()) << ", "
              << sizeText(disk.bytes) << ")...\n";
    std::size_t seen = 0;
    RestoreWriter writer(root.get(), m_settings);
    writer.restore(
        disk.files,
        [&](const PlannedFile &file, const RestoreResult &result) {
            ++seen;
            report(file, result);
            m_stop = m_stop || StopSignals::arrived();
        },
        &m_stop);
    // Files never started because of a stop.
    if (seen < disk.files.size()) {
        m_tally.failed += disk.files.size() - seen;
        std::cerr << "quillarc-pass: stopped; " << filesText(disk.files.size() - seen) << " from disk " << disk.label
                  << " not restored.\n";
    }
}

void RestoreRun::notRestored(const DiskPlan &disk, const std::string &why)
{
    m_tally.failed += disk.files.size();
    std::cerr << "quillarc-pass: " << why << ": " << filesText(disk.files.size()) << ", " << sizeText(disk.bytes)
              << " not restored";
    constexpr std::size_t kNamed = 5;
    for (std::size_t i = 0; i < disk.files.size() && i < kNamed; ++i)
        std::cerr << (i == 0 ? ": " : ", ") << disk.files[i].target;
    if (disk.files.size() > kNamed)
        std::cerr << " and " << disk.files.size() - kNamed << " more";
    std::cerr << ".\n";
}

void RestoreRun::report(const PlannedFile &file, const RestoreResult &result)
{
    using Status = RestoreResult::Status;
    switch (result.status) {
    case Status::Restored:
        ++m_tally.restored;
        break;
    case Status::AlreadyThere:
        ++m_tally.inPlace;
        break;
    case Status::RestoredBeside:
        ++m_tally.beside;
        std::cout << "  a different file is at " << file.target << "; restored beside it as " << result.writtenTo
                  << "\n";
        break;
    case Status::Overwritten:
        ++m_tally.overwritten;
        std::cout << "  replaced " << file.target << "; the file that was there is kept as " << result.keptAside
                  << "\n";
        break;
    case Status::Failed: {
        ++m_tally.failed;
        std::cerr << "quillarc-pass: not restored: " << result.problem << "\n";
        const std::string others = otherCopiesText(file);
        if (result.badCopy && !others.empty())
            std::cerr << "  try " << others << " (restore it with --as-of, or with that disk in the drive)\n";
        return;
    }
    }
    if (!result.problem.empty())
        std::cerr << "quillarc-pass: " << result.problem << "; " << file.target << " restored from another copy\n";
}

} // namespace

int runRestore(const PassOptions &given)
{
    PassOptions options = given;
    const ChosenDisk program = ChosenDisk::programFolderOf(options);
    if (!program.error.empty()) {
        std::cerr << program.error << "\n";
        return ExitRefused;
    }
    RestoreRequest request;
    if (!options.asOf.empty()) {
        const auto stamp = asOfStampFromText(options.asOf);
        if (!stamp) {
            std::cerr << "quillarc-pass: --as-of takes a date as 2026-12-01 or 2026-12-01 14:30, not " << options.asOf
                      << "\n";
            return ExitRefused;
        }
        request.asOfStamp = *stamp;
    }
    for (const std::string &path : options.restore)
        request.paths.push_back(absolutePath(path));
    if (!options.restoreTo.empty())
        options.restoreTo = request.targetFolder = absolutePath(options.restoreTo);

    RestorePlan plan;
    try {
        const Catalogue catalogue(program.programFolder + std::string(disklayout::kProgramCatalogue));
        plan = planRestore(request, catalogue);
    } catch (const CatalogueError &error) {
        std::cerr << "quillarc-pass: " << error.what() << "\n";
        return ExitRefused;
    }
    printPlan(std::cout, plan, request.asOfStamp, request.targetFolder, options.dryRun);
    if (options.dryRun || plan.fileCount() == 0)
        return plan.notFound.empty() ? ExitComplete : ExitEnded;
    // No pass starts on a disk plugged in while the files come back.
    RestoreHold hold;
    if (hold.take(program.programFolder) == RestoreHold::Result::PassRunning)
        std::cerr << "quillarc-pass: a backup pass is running with this program folder; a disk plugged in before it "
                     "ends may be backed up onto before it is restored from.\n";
    return RestoreRun(options, std::move(plan)).run();
}

} // namespace quillarc

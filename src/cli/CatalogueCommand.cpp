#include "cli/CatalogueCommand.h"

#include "base/UniqueFd.h"
#include "catalogue/DiskLayout.h"
#include "catalogue/DiskScan.h"
#include "catalogue/CatalogueText.h"
#include "cli/DiskInHand.h"
#include "cli/PassRunner.h"
#include "cli/ProgramCatalogue.h"
#include "platform/PassLock.h"

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillarc {

namespace {

// Neither may be a link: a disk could lead the program anywhere.
bool isPlainFile(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isPlainFolder(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The disk's own catalogue, merged as this disk's rows; false when it has
// none or it cannot be read (the disk is read instead).
bool mergeOwnCatalogue(Catalogue &catalogue, std::int64_t disk, const std::string &drive, std::ostream &out,
                       std::ostream &err)
{
    const std::string own = drive + std::string(disklayout::kCatalogue);
    if (!isPlainFolder(drive + std::string(disklayout::kFolder)) || !isPlainFile(own))
        return false;
    try {
        catalogue.merge(own, disk);
    } catch (const CatalogueError &error) {
        err << "quillarc-pass: " << error.what() << "; the disk's copies are read instead.\n";
        return false;
    }
    out << "The disk's own catalogue was taken into the program folder's.\n";
    return true;
}

void readDisk(Catalogue &catalogue, std::int64_t disk, const DiskInHand &inHand, const std::string &stamp,
              std::ostream &out, std::ostream &err, int &status)
{
    out << "Reading every copy on " << inHand.chosen.label << "...\n" << std::flush;
    const DiskScanResult result = scanDisk(catalogue, disk, inHand.root, stamp);
    for (const std::string &line : result.unreadable)
        err << "quillarc-pass: cannot read " << inHand.root << line << "\n";
    if (!result.unreadable.empty())
        status = ExitEnded;
    out << "Read " << result.files << " copies (" << sizeText(result.bytes) << ")";
    if (result.kept > 0)
        out << ", " << result.kept << " already catalogued as they are";
    if (result.dropped > 0)
        out << ", " << result.dropped << " records of copies no longer on the disk dropped";
    out << ".\n";
}

} // namespace

int catalogueDisk(const PassOptions &options, std::ostream &out, std::ostream &err)
{
    const DiskInHand inHand = DiskInHand::of(options);
    if (!inHand.error.empty()) {
        err << inHand.error << "\n";
        return ExitRefused;
    }
    const ChosenDisk &chosen = inHand.chosen;
    // The disk's own files are written: no pass may work on it meanwhile.
    PassLock lock;
    if (lock.take(chosen.programFolder, inHand.root) == PassLock::Result::Busy) {
        err << PassLock::busyMessage() << "\n";
        return ExitRefused;
    }
    const std::string stamp = disklayout::passStamp(std::chrono::system_clock::now());
    int status = ExitComplete;
    try {
        const auto catalogue = openOrRenewProgramCatalogue(chosen.programFolder, stamp, err);
        const std::int64_t disk = catalogue->disk({chosen.label, inHand.uuid});
        if (!mergeOwnCatalogue(*catalogue, disk, inHand.root, out, err))
            readDisk(*catalogue, disk, inHand, stamp, out, err, status);
        catalogue->diskSeen(disk, stamp, inHand.freeBytes());
        try {
            const UniqueFd root(::open(inHand.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (!root)
                throw CatalogueError("The disk " + inHand.root + " cannot be opened");
            catalogue->writeDiskCopy(disk, root.get());
        } catch (const CatalogueError &error) {
            err << "quillarc-pass: " << error.what() << "\n";
            status = ExitEnded;
        }
        const auto summary = catalogue->diskSummary(disk);
        out << chosen.label << ": " << summary->files << " copies (" << sizeText(summary->bytes) << ") and "
            << summary->versions << (summary->versions == 1 ? " older version" : " older versions")
            << " in the catalogue.\n";
    } catch (const CatalogueError &error) {
        err << "quillarc-pass: " << error.what() << "\n";
        return ExitRefused;
    }
    return status;
}

} // namespace quillarc

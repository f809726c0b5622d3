#include "cli/CatalogueCommand.h"

#include "base/UniqueFd.h"
#include "catalogue/DiskLayout.h"
#include "catalogue/DiskScan.h"
#include "cli/CatalogueText.h"
#include "cli/ChosenDisk.h"
#include "cli/DiskUuid.h"
#include "cli/PassRunner.h"
#include "cli/ProgramCatalogue.h"
#include "platform/PassLock.h"

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace quillarc {

namespace {

std::int64_t freeBytes(const std::string &root)
{
    struct statvfs fs {};
    if (::statvfs(root.c_str(), &fs) != 0)
        return -1;
    return static_cast<std::int64_t>(fs.f_bavail) * static_cast<std::int64_t>(fs.f_frsize);
}

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

void readDisk(Catalogue &catalogue, std::int64_t disk, const ChosenDisk &chosen, const std::string &stamp,
              std::ostream &out, std::ostream &err, int &status)
{
    out << "Reading every copy on " << chosen.label << "...\n" << std::flush;
    const DiskScanResult result = scanDisk(catalogue, disk, chosen.drive, stamp);
    for (const std::string &line : result.unreadable)
        err << "quillarc-pass: cannot read " << chosen.drive << line << "\n";
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
    const ChosenDisk chosen = ChosenDisk::of(options);
    if (!chosen.error.empty()) {
        err << chosen.error << "\n";
        return ExitRefused;
    }
    // The disk's own files are written: no pass may work on it meanwhile.
    PassLock lock;
    if (lock.take(chosen.programFolder, chosen.drive) == PassLock::Result::Busy) {
        err << PassLock::busyMessage() << "\n";
        return ExitRefused;
    }
    const std::string stamp = disklayout::passStamp(std::chrono::system_clock::now());
    int status = ExitComplete;
    try {
        const auto catalogue = openOrRenewProgramCatalogue(chosen.programFolder, stamp, err);
        const std::int64_t disk = catalogue->disk({chosen.label, fileSystemUuid(chosen.drive)});
        if (!mergeOwnCatalogue(*catalogue, disk, chosen.drive, out, err))
            readDisk(*catalogue, disk, chosen, stamp, out, err, status);
        catalogue->diskSeen(disk, stamp, freeBytes(chosen.drive));
        try {
            const UniqueFd root(::open(chosen.drive.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (!root)
                throw CatalogueError("The disk " + chosen.drive + " cannot be opened");
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

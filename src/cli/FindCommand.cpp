#include "cli/FindCommand.h"

#include "catalogue/Catalogue.h"
#include "catalogue/DiskLayout.h"
#include "catalogue/CatalogueText.h"
#include "cli/ChosenDisk.h"
#include "cli/PassRunner.h"

#include <sys/stat.h>

namespace quillarc {

namespace {

std::string asOf(const CopyEntry &entry)
{
    return entry.diskLastSeen.empty() ? "disk never seen" : "as of " + stampText(entry.diskLastSeen);
}

void printCopy(std::ostream &out, const char *what, const CopyEntry &entry)
{
    out << "  " << what << " on " << entry.diskLabel << ": " << timeText(entry.copy.modifiedNs) << ", "
        << sizeText(entry.copy.size);
    if (!entry.versionStamp.empty())
        out << ", kept in the versions of " << stampText(entry.versionStamp);
    out << " (" << asOf(entry) << ")\n";
}

} // namespace

int findCopies(const PassOptions &options, std::ostream &out, std::ostream &err)
{
    const ChosenDisk chosen = ChosenDisk::programFolderOf(options);
    if (!chosen.error.empty()) {
        err << chosen.error << "\n";
        return ExitRefused;
    }
    const std::string file = chosen.programFolder + std::string(disklayout::kProgramCatalogue);
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        err << "quillarc-pass: there is no catalogue yet (" << file
            << "); a pass records into it, and --catalogue brings in a disk written before.\n";
        return ExitRefused;
    }
    std::vector<CopyEntry> entries;
    try {
        const Catalogue catalogue(file);
        entries = catalogue.find(options.find, options.wholePath);
    } catch (const CatalogueError &error) {
        err << "quillarc-pass: " << error.what() << "\n";
        return ExitRefused;
    }
    if (entries.empty()) {
        out << "No file in the catalogue matches " << options.find << ".\n";
        return ExitEnded;
    }
    // Entries come sorted by path, newest copy first.
    std::size_t files = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool first = i == 0 || entries[i].copy.path != entries[i - 1].copy.path;
        if (first) {
            ++files;
            out << "/" << entries[i].copy.path << "\n";
            printCopy(out, "newest copy", entries[i]);
        } else {
            printCopy(out, entries[i].versionStamp.empty() ? "older copy" : "version", entries[i]);
        }
    }
    out << files << (files == 1 ? " file" : " files") << " found.\n";
    return ExitComplete;
}

} // namespace quillarc

#include "catalogue/DiskCatalogueStatus.h"

#include "catalogue/CatalogueText.h"

#include <sys/stat.h>

namespace quillarc {

namespace {

std::string counted(std::int64_t count, const char *one, const char *many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::string diskCatalogueLines(const DiskSummary &summary)
{
    std::string text =
        "  in the catalogue: " + counted(summary.files, "file", "files") + ", " + sizeText(summary.bytes);
    if (summary.versions > 0)
        text += ", and " + counted(summary.versions, "older version", "older versions");
    text += "\n  last verified: ";
    text += summary.lastVerified.empty() ? std::string("never") : stampText(summary.lastVerified);
    text += "\n  mismatches found: ";
    text += summary.mismatches == 0
                ? std::string("none")
                : std::to_string(summary.mismatches) + " (quillarc-pass --verify --failed reads them again)";
    return text + "\n";
}

std::string diskCatalogueLines(const std::string &catalogueFile, const DiskIdentity &disk)
{
    // Opening a catalogue makes one where there is none: a look must not.
    struct stat info {};
    if (::stat(catalogueFile.c_str(), &info) != 0)
        return "  in the catalogue: nothing yet\n";
    try {
        const Catalogue catalogue(catalogueFile);
        const auto id = catalogue.findDisk(disk);
        const auto summary = id ? catalogue.diskSummary(*id) : std::nullopt;
        if (!summary)
            return "  in the catalogue: nothing yet\n";
        return diskCatalogueLines(*summary);
    } catch (const std::exception &error) {
        return std::string("  in the catalogue: cannot be read: ") + error.what() + "\n";
    }
}

} // namespace quillarc

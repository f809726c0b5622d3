#include "cli/RestoreText.h"

#include "catalogue/CatalogueText.h"

#include <sys/stat.h>

namespace quillarc {

std::string filesText(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

void printPlan(std::ostream &out, const RestorePlan &plan, const std::string &asOfStamp,
               const std::string &targetFolder, bool eachFile)
{
    out << "Restore " << filesText(plan.fileCount()) << ", " << sizeText(plan.totalBytes());
    out << (asOfStamp.empty() ? ", the newest copies" : ", as of " + asOfStamp);
    out << (targetFolder.empty() ? ", to their original places" : ", below " + targetFolder) << ":\n";
    for (const DiskPlan &disk : plan.disks) {
        out << "  from disk " << disk.label << ": " << filesText(disk.files.size()) << ", " << sizeText(disk.bytes)
            << "\n";
        if (!eachFile)
            continue;
        for (const PlannedFile &file : disk.files) {
            struct stat status {};
            const bool inTheWay = ::lstat(file.target.c_str(), &status) == 0;
            out << "    " << file.pathOnDisk() << " -> " << file.target
                << (inTheWay ? "  (something is there: left alone when the same, else restored beside it)" : "")
                << "\n";
        }
    }
    for (const std::string &path : plan.notFound)
        out << "  no copy known" << (asOfStamp.empty() ? "" : " as of that date") << ": " << path << "\n";
}

std::string otherCopiesText(const PlannedFile &file)
{
    std::string text;
    for (const CopyEntry &other : file.alternatives) {
        const bool same = other.copy.hash == file.source.copy.hash;
        if (!same && !text.empty())
            break; // an older content is offered only when no copy of the same one is
        if (!text.empty())
            text += "; ";
        text += same ? "a copy of the same content" : "an older copy, of pass " + other.copy.passStamp + ",";
        text += " on disk " + other.diskLabel;
        if (!other.versionStamp.empty())
            text += " (in its versions)";
    }
    return text;
}

} // namespace quillarc

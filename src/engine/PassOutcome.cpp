#include "engine/PassOutcome.h"

namespace quillarc {

const char *passEndName(PassEnd end)
{
    switch (end) {
    case PassEnd::NotStarted:
        return "not started";
    case PassEnd::DiskVanished:
        return "backup disk removed";
    case PassEnd::WriteError:
        return "write error";
    case PassEnd::DiskFullCancelled:
        return "disk full, cancelled";
    case PassEnd::Stopped:
        return "stopped";
    case PassEnd::Aborted:
        return "aborted";
    case PassEnd::Complete:
        return "complete";
    }
    return "?";
}

std::string fileStatusText(PassEnd end, std::int64_t filesCopied)
{
    const std::string count = std::to_string(filesCopied) + " Files Found and Backed Up";
    switch (end) {
    case PassEnd::DiskVanished:
    case PassEnd::WriteError:
    case PassEnd::DiskFullCancelled:
        return "Error Writing to Disk...  " + count;
    case PassEnd::Stopped:
        return "Cancelled...  " + count;
    case PassEnd::Aborted:
        return "Aborted...  ";
    case PassEnd::Complete:
        return "Complete...  " + count;
    case PassEnd::NotStarted:
        break;
    }
    return {};
}

std::string folderStatusText(PassEnd end)
{
    switch (end) {
    case PassEnd::DiskVanished:
    case PassEnd::WriteError:
    case PassEnd::DiskFullCancelled:
    case PassEnd::Stopped:
        return "Folder Scan Cancelled...";
    case PassEnd::Aborted:
        return "Folder Scan Aborted...";
    case PassEnd::Complete:
        return "Folder Scan Complete...";
    case PassEnd::NotStarted:
        break;
    }
    return {};
}

} // namespace quillarc

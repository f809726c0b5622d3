#include "cli/VersionsListing.h"

#include "catalogue/DiskLayout.h"
#include "cli/ChosenDisk.h"
#include "cli/PassRunner.h"
#include "engine/DiskVersions.h"
#include "engine/PathRules.h"
#include "base/UniqueFd.h"
#include "platform/linux/LinuxVolumeHost.h"

#include <ctime>
#include <fcntl.h>
#include <iostream>

namespace quillarc {

namespace {

std::string localTime(const struct timespec &when)
{
    std::tm local {};
    ::localtime_r(&when.tv_sec, &local);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, length);
}

} // namespace

int listVersions(const PassOptions &options)
{
    if (!PathRules::isNormalAbsolute(options.versionsOf)) {
        std::cerr << "quillarc-pass: --versions takes the absolute path of a backed-up file or folder, not "
                  << options.versionsOf << "\n";
        return ExitRefused;
    }
    const ChosenDisk disk = ChosenDisk::of(options);
    if (!disk.error.empty()) {
        std::cerr << disk.error << "\n";
        return ExitRefused;
    }
    const LinuxVolumeHost host;
    const std::string root = host.mediumRoot(disk.drive);
    const UniqueFd rootFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.empty() || !rootFd) {
        std::cerr << "NO BACKUP VOLUME INSERTED\n";
        return ExitRefused;
    }
    const std::string relative = PathRules::relativeOnDisk(options.versionsOf);
    const std::vector<DiskVersions::Version> versions = DiskVersions::of(rootFd.get(), relative);
    if (versions.empty()) {
        std::cout << "No versions of " << options.versionsOf << " on " << disk.label << " (" << root << ").\n"
                  << std::flush;
        return ExitEnded;
    }
    std::cout << "Versions of " << options.versionsOf << " on " << disk.label << " (" << root << "), oldest first:\n"
              << "kept by pass          modified             bytes  copy on the disk\n";
    for (const DiskVersions::Version &version : versions)
        std::cout << version.stamp << "  " << localTime(version.modified) << "  " << version.size << "  " << root
                  << disklayout::kVersions << "/" << version.stamp << "/" << version.path << "\n";
    std::cout << std::flush;
    return std::cout.good() ? ExitComplete : ExitEnded;
}

} // namespace quillarc

#include "platform/linux/LinuxVolumeHost.h"

#include "platform/linux/DiskUuid.h"

#include "platform/LabelFile.h"
#include "platform/linux/FileSystemLabel.h"

#include <limits>
#include <sys/statvfs.h>

namespace quillarc {

namespace {

enum class Figure {
    Free,
    Total
};

std::int64_t spaceOf(const std::string &root, Figure figure)
{
    struct statvfs st {};
    if (root.empty() || ::statvfs(root.c_str(), &st) != 0)
        return -1;
    const unsigned long long blocks = figure == Figure::Free ? st.f_bavail : st.f_blocks;
    const unsigned long long unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    constexpr auto most = static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max());
    if (unit != 0 && blocks > most / unit)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(blocks * unit);
}

} // namespace

LinuxVolumeHost::LinuxVolumeHost() : LinuxVolumeHost(Options {})
{
}

LinuxVolumeHost::LinuxVolumeHost(Options options) : m_options(std::move(options))
{
}

DriveMap LinuxVolumeHost::snapshot() const
{
    return DriveMap(readMountInfo(m_options.mountInfoPath), m_options.automountFolders, holdsLabelFile);
}

// FAT keeps a file's length in 32 bits, through the kernel or through FUSE.
std::int64_t LinuxVolumeHost::largestFile(const std::string &driveRoot) const
{
    const DriveMap map = snapshot();
    const auto medium = map.mediumOf(driveRoot);
    if (!medium)
        return VolumeHost::largestFile(driveRoot);
    const auto mount = medium->mount ? medium->mount : map.fileSystemOf(medium->root);
    static const char *const fat[] = {"vfat", "msdos", "fat", "fuse.fusefat", "fuse.fatfs"};
    for (const char *type : fat)
        if (mount && mount->fsType == type)
            return (std::int64_t {1} << 32) - 1;
    return VolumeHost::largestFile(driveRoot);
}

std::string LinuxVolumeHost::mediumRoot(const std::string &driveRoot) const
{
    const auto medium = snapshot().mediumOf(driveRoot);
    return medium ? medium->root : std::string();
}

std::string LinuxVolumeHost::volumeLabel(const std::string &driveRoot) const
{
    const auto medium = snapshot().mediumOf(driveRoot);
    if (!medium)
        return {};
    if (!medium->mount)
        return readLabelFile(medium->root);
    std::string label = labelFromDiskByLabel(medium->mount->device, m_options.byLabelDir);
    if (label.empty())
        label = probeFileSystemLabel(medium->mount->source);
    if (label.empty())
        label = readLabelFile(medium->root);
    return label;
}

std::int64_t LinuxVolumeHost::freeBytes(const std::string &driveRoot) const
{
    return spaceOf(mediumRoot(driveRoot), Figure::Free);
}

std::int64_t LinuxVolumeHost::totalBytes(const std::string &driveRoot) const
{
    return spaceOf(mediumRoot(driveRoot), Figure::Total);
}

std::string LinuxVolumeHost::driveRootFor(const std::string &folder) const
{
    return snapshot().driveRootFor(folder);
}

std::string LinuxVolumeHost::fileSystemUuid(const std::string &driveRoot) const
{
    const std::string root = mediumRoot(driveRoot);
    return root.empty() ? std::string() : quillarc::fileSystemUuid(root);
}

} // namespace quillarc

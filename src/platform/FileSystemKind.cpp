#include "platform/FileSystemKind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace quillarc {

namespace {

// From <linux/magic.h> and the file systems' own sources, some of which
// the header leaves out.
constexpr long kMsdos = 0x4d44;
constexpr long kExfat = 0x2011BAB0;
constexpr long kFuse = 0x65735546;
constexpr long kNfs = 0x6969;
constexpr long kSmb = 0x517B;
constexpr long kCifs = 0xFF534D42;
constexpr long kSmb2 = 0xFE534D42;
constexpr long kV9fs = 0x01021997;
constexpr long kCoda = 0x73757245;
constexpr long kAfs = 0x5346414F;
constexpr long kCeph = 0x00c36400;
constexpr long kVboxsf = 0x786f4256;

} // namespace

bool keepsInodeNumbers(long magic)
{
    switch (magic) {
    case kMsdos:
    case kExfat:
    case kFuse:
    case kNfs:
    case kSmb:
    case kCifs:
    case kSmb2:
    case kV9fs:
    case kCoda:
    case kAfs:
    case kCeph:
    case kVboxsf:
        return false;
    default:
        return true;
    }
}

bool isMountPoint(const std::string &path)
{
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), AT_NO_AUTOMOUNT, STATX_BASIC_STATS, &info) != 0)
        return false;
    if ((info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0)
        return (info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    // Kernels before 5.8: another device than the parent's, or the root.
    struct stat self {};
    struct stat parent {};
    if (::stat(path.c_str(), &self) != 0 || ::stat((path + "/..").c_str(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

FileSystemFacts fileSystemFacts(const std::string &path)
{
    struct statfs info {};
    if (::statfs(path.c_str(), &info) != 0)
        return {};
    const auto high = static_cast<std::uint32_t>(info.f_fsid.__val[0]);
    const auto low = static_cast<std::uint32_t>(info.f_fsid.__val[1]);
    return {keepsInodeNumbers(static_cast<long>(info.f_type)), (std::uint64_t {high} << 32U) | low};
}

bool keepsInodeNumbers(const std::string &path)
{
    struct statfs info {};
    if (::statfs(path.c_str(), &info) != 0)
        return false;
    return keepsInodeNumbers(static_cast<long>(info.f_type));
}

} // namespace quillarc

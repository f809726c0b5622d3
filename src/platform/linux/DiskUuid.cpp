#include "platform/linux/DiskUuid.h"

#include <blkid/blkid.h>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace quillarc {

namespace {

std::string probeUuid(const char *device)
{
    blkid_probe probe = ::blkid_new_probe_from_filename(device);
    if (probe == nullptr)
        return {};
    std::string uuid;
    ::blkid_probe_enable_superblocks(probe, 1);
    ::blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_UUID);
    if (::blkid_do_safeprobe(probe) == 0) {
        const char *value = nullptr;
        if (::blkid_probe_lookup_value(probe, "UUID", &value, nullptr) == 0 && value != nullptr)
            uuid = value;
    }
    ::blkid_free_probe(probe);
    return uuid;
}

// udev's links name the UUID without reading the device (a user may not).
std::string uuidFromUdev(dev_t device)
{
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/dev/disk/by-uuid", error)) {
        struct stat st {};
        if (::stat(entry.path().c_str(), &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == device)
            return entry.path().filename().string();
    }
    return {};
}

} // namespace

std::string fileSystemUuid(const std::string &root)
{
    struct stat st {};
    if (::stat(root.c_str(), &st) != 0)
        return {};
    if (std::string uuid = uuidFromUdev(st.st_dev); !uuid.empty())
        return uuid;
    char *device = ::blkid_devno_to_devname(st.st_dev);
    if (device == nullptr)
        return {};
    std::string uuid = probeUuid(device);
    std::free(device);
    return uuid;
}

} // namespace quillarc

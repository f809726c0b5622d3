#include "platform/linux/FileSystemLabel.h"

#include "base/FolderListing.h"

#include <blkid/blkid.h>
#include <cstdio>
#include <cctype>
#include <dirent.h>
#include <memory>
#include <type_traits>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace quillarc {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string decodeUdevName(const std::string &name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && hexValue(name[i + 2]) >= 0 &&
            hexValue(name[i + 3]) >= 0) {
            out.push_back(static_cast<char>(hexValue(name[i + 2]) * 16 + hexValue(name[i + 3])));
            i += 3;
        } else {
            out.push_back(name[i]);
        }
    }
    return out;
}

std::string labelFromDiskByLabel(const std::string &device, const std::string &byLabelDir)
{
    unsigned major = 0, minor = 0;
    if (std::sscanf(device.c_str(), "%u:%u", &major, &minor) != 2)
        return {};
    FolderListing listing(byLabelDir);
    std::string label;
    while (const dirent *entry = listing.next()) {
        const std::string name = entry->d_name;
        struct stat st {};
        std::string path = byLabelDir;
        path.append("/").append(name);
        if (::stat(path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
            continue;
        if (::major(st.st_rdev) == major && ::minor(st.st_rdev) == minor) {
            label = decodeUdevName(name);
            break;
        }
    }
    return label;
}

std::string probeFileSystemLabel(const std::string &devicePath)
{
    struct stat st {};
    if (devicePath.rfind("/dev/", 0) != 0 || ::stat(devicePath.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
        return {};
    const std::unique_ptr<std::remove_pointer_t<blkid_probe>, decltype(&::blkid_free_probe)> probe(
        ::blkid_new_probe_from_filename(devicePath.c_str()), &::blkid_free_probe);
    if (!probe)
        return {}; // not readable by this user
    std::string label;
    ::blkid_probe_enable_superblocks(probe.get(), 1);
    ::blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL);
    if (::blkid_do_safeprobe(probe.get()) == 0) {
        const char *value = nullptr;
        std::size_t length = 0;
        if (::blkid_probe_lookup_value(probe.get(), "LABEL", &value, &length) == 0 && value)
            label.assign(value); // length counts the terminating NUL
    }
    return label;
}

} // namespace quillarc

#include "catalogue/DiskOrder.h"

#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstring>

namespace quillarc {

std::uint64_t diskOrderKey(int fd)
{
    // One extent is enough: the request and its answer in one buffer.
    alignas(struct fiemap) unsigned char buffer[sizeof(struct fiemap) + sizeof(struct fiemap_extent)] {};
    auto *map = reinterpret_cast<struct fiemap *>(buffer);
    map->fm_start = 0;
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = 0;
    map->fm_extent_count = 1;
    if (::ioctl(fd, FS_IOC_FIEMAP, map) == 0 && map->fm_mapped_extents >= 1) {
        struct fiemap_extent extent {};
        std::memcpy(&extent, buffer + sizeof(struct fiemap), sizeof extent);
        if ((extent.fe_flags & (FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DATA_INLINE)) == 0)
            return extent.fe_physical;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return 0;
    return st.st_ino;
}

} // namespace quillarc

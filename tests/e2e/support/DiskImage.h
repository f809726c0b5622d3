#pragma once

#include <string>

namespace quillarc::e2e {

/// A file-system image in a file, mounted on a folder: ext4 or FAT through
/// a loop device, or FAT through FUSE (fusefat) where the kernel has no
/// vfat. Unmounted, lazily if need be, when the object goes.
class DiskImage {
public:
    enum class Kind {
        Ext4,
        Fat
    };

    /// Makes an image of `mebibytes` with label `label` (none when empty).
    DiskImage(std::string path, Kind kind, int mebibytes, const std::string &label);
    ~DiskImage();
    DiskImage(const DiskImage &) = delete;
    DiskImage &operator=(const DiskImage &) = delete;

    /// Empty when the image was made, else what went wrong.
    const std::string &error() const { return m_error; }

    /// FAT goes through FUSE: the kernel has no vfat.
    static bool fatThroughFuse();
    /// Why images of `kind` cannot be mounted here; empty when they can.
    static std::string cannotMount(Kind kind);

    /// Mounts on `folder`; `owner` (a user id, -1 for root) may write to a
    /// FAT disk, as the desktop mounts sticks for the user at the seat.
    bool mount(const std::string &folder, bool readOnly = false, int owner = -1);
    bool unmount();
    bool unmountLazily();
    bool remountReadOnly();
    bool mounted() const { return !m_folder.empty(); }
    const std::string &folder() const { return m_folder; }
    /// The mount folder with '/' at the end.
    std::string root() const { return m_folder + "/"; }
    bool throughFuse() const { return m_kind == Kind::Fat && fatThroughFuse(); }

private:
    std::string m_path;
    Kind m_kind;
    std::string m_folder;
    std::string m_error;
};

} // namespace quillarc::e2e

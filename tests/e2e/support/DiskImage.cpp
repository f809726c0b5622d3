#include "e2e/support/DiskImage.h"

#include "e2e/support/Shell.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc::e2e {

DiskImage::DiskImage(std::string path, Kind kind, int mebibytes, const std::string &label)
    : m_path(std::move(path)), m_kind(kind)
{
    const std::string size = std::to_string(mebibytes) + "M";
    // No blocks reserved for root: the tests run as root and fill disks.
    const std::string format = kind == Kind::Ext4
                                   ? "mkfs.ext4 -q -F -m 0" + (label.empty() ? std::string() : " -L " + quoted(label))
                                   : "mkfs.vfat" + (label.empty() ? std::string() : " -n " + quoted(label));
    std::string output;
    if (!sh("truncate -s " + size + " " + quoted(m_path) + " && " + format + " " + quoted(m_path), &output))
        m_error = format + ": " + output;
}

DiskImage::~DiskImage()
{
    if (mounted() && !unmount())
        unmountLazily();
}

bool DiskImage::fatThroughFuse()
{
    return !kernelKnows("vfat");
}

std::string DiskImage::cannotMount(Kind kind)
{
    if (::geteuid() != 0)
        return "needs root for loop devices and mounts";
    if (kind == Kind::Fat && fatThroughFuse()) {
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return "the kernel has no vfat and /dev/fuse is missing";
        if (!sh("command -v fusefat"))
            return "the kernel has no vfat and fusefat is not installed (apt-get install fusefat)";
        return {};
    }
    if (!sh("losetup -f"))
        return "no free loop device (losetup -f fails)";
    return {};
}

bool DiskImage::mount(const std::string &folder, bool readOnly, int owner)
{
    ::mkdir(folder.c_str(), 0755);
    std::string options = readOnly ? "ro" : "rw";
    if (owner >= 0 && m_kind == Kind::Fat)
        options += throughFuse() ? ",allow_other" : ",uid=" + std::to_string(owner) + ",gid=" + std::to_string(owner);
    std::string command;
    if (throughFuse())
        command = "fusefat -o " + (readOnly ? options : options.replace(0, 2, "rw+")) + " " + quoted(m_path) + " " +
                  quoted(folder);
    else
        command = "mount -o loop," + options + " " + quoted(m_path) + " " + quoted(folder);
    if (!sh(command, &m_error))
        return false;
    m_error.clear();
    m_folder = folder;
    return true;
}

bool DiskImage::unmount()
{
    const bool done =
        throughFuse() ? sh("fusermount -u " + quoted(m_folder), &m_error) : sh("umount " + quoted(m_folder), &m_error);
    if (done)
        m_folder.clear();
    return done;
}

bool DiskImage::unmountLazily()
{
    const bool done = throughFuse() ? sh("fusermount -u -z " + quoted(m_folder), &m_error)
                                    : ::umount2(m_folder.c_str(), MNT_DETACH) == 0;
    if (done)
        m_folder.clear();
    return done;
}

// A file open for writing keeps `mount -o remount,ro` from working. ext4
// then goes read-only as a failing disk makes it: an error raised through
// the kernel's own switch, with the file system told to remount read-only
// on errors, which it does whatever is open.
bool DiskImage::remountReadOnly()
{
    if (sh("mount -o remount,ro " + quoted(m_folder), &m_error))
        return true;
    if (m_kind != Kind::Ext4 || throughFuse())
        return false;
    std::string device;
    if (!sh("findmnt -n -o SOURCE --target " + quoted(m_folder), &device))
        return false;
    while (!device.empty() && (device.back() == '\n' || device.back() == ' '))
        device.pop_back();
    const std::string name = device.substr(device.rfind('/') + 1);
    const std::string trigger = "/sys/fs/ext4/" + name + "/trigger_fs_error";
    if (::access(trigger.c_str(), W_OK) != 0) {
        m_error = "the kernel offers no " + trigger;
        return false;
    }
    // The superblock goes read-only at once; the mount's own flags do not
    // show it.
    return sh("mount -o remount,errors=remount-ro " + quoted(m_folder) + " && echo 1 > " + quoted(trigger), &m_error);
}

} // namespace quillarc::e2e

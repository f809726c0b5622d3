#pragma once

#include <string>
#include <string_view>

namespace quillarc {

/// Replaces a file as a whole or not at all. The bytes go to a new file
/// created exclusively in the target's folder, every byte is checked, the
/// file is fsynced and closed, renamed over the target, and the folder is
/// fsynced. On any failure the new file is removed, the previous file stays
/// as it was, and FileError names the cause. A failed fsync is a failure.
/// An existing target's permission bits are kept, a new one gets the
/// default's (0666 less the umask); a private file is the owner's alone
/// (0600), also when the file it replaces was open to others. On a file
/// system without permission bits (FAT through FUSE) the bits are left as
/// the file system has them. An executable file (a launcher, which desktops
/// start only when it is executable) gets 0755 whatever it replaces.
enum class FileAccess {
    AsBefore,
    Private,
    Executable,
};
void writeFileAtomically(const std::string &target, std::string_view bytes, FileAccess access = FileAccess::AsBefore);

} // namespace quillarc

#pragma once

#include <sys/stat.h>

namespace quillarc {

/// What a copy takes over from its source besides its bytes and times, as
/// `cp -a` keeps it: the owner (when run as root), the group (where the
/// user may give it), the permission bits, the access control list (and a
/// folder's default list) and the extended attributes.
///
/// A backup disk is removable: whoever holds it can read what a copy
/// exposes, so a copy is never more open than its source. Where the group
/// cannot be kept the copy's group gets no rights; where the disk cannot
/// hold an access control list the copy's bits grant no more than the
/// source's effective rights. What the disk cannot hold at all (FAT has no
/// owners, lists or attributes) is let go without failing the copy.
///
/// Everything is read from and written to open descriptors, and only for
/// what is copied: a file that is not copied costs nothing here. A source
/// without extended attributes (most files; access control lists are
/// attributes too) costs one look at its attribute names.
class CopyMetadata {
public:
    /// `asRoot`: owners and set-id bits are kept.
    explicit CopyMetadata(bool asRoot) : m_asRoot(asRoot) {}

    /// Gives the open copy `target` (a regular file, or a folder when
    /// `sourceStat` says so) the metadata of the open `source`. 0, or the
    /// errno of a failure of the disk itself (no room, I/O error), which
    /// fails the copy. `targetNow`, when the caller has it, is the target's
    /// status as it stands, which saves looking again.
    int apply(int source, const struct stat &sourceStat, int target, const struct stat *targetNow = nullptr) const;

private:
    bool m_asRoot;
};

/// True for an errno that says the disk cannot keep this kind of metadata
/// at all, as FAT cannot keep owners, bits, lists or attributes.
bool cannotKeepMetadata(int error);

} // namespace quillarc

#pragma once

namespace quillarc {

/// Gives the restored file or folder `target` the access control list and
/// the extended attributes that its copy `source` on the disk holds (and a
/// folder its default list), as far as the file system restored to keeps
/// them. Only what the copy holds: a list the target inherited from the
/// folder it was made in goes, so that nothing restored is more open than
/// its copy. Call after the owner and bits are given: the list's mask then
/// settles the group's rights. Nothing here fails a restore.
void copyListsAndAttributes(int source, int target, bool folder);

} // namespace quillarc

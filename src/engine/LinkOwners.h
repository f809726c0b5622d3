#pragma once

#include <string>
#include <sys/stat.h>

namespace quillarc {

/// Whether the program runs as root: asked of the system once, as the
/// program never changes who it runs as.
bool runsAsRoot();

/// Run as root over a user's folder, a backup follows a symbolic link only
/// to a file of the link's own owner. Anyone may make a link to a file they
/// cannot read (`~/x -> /etc/shadow`); followed by root, its copy would land
/// on a disk that user may hold. Run as anyone else, a link is followed as
/// the user could follow it.
bool linkMayBeFollowed(const struct stat &link, const struct stat &target);

/// Whether the entry `name` of `dirFd`, looked at without following as
/// `before` just before it was opened, and now open as `opened`, may be
/// read. Run as root: false when a link root may not follow led to the file,
/// or the entry was swapped between the look and the open (a link made and
/// taken away again would otherwise pass unseen).
bool openedAsLooked(int dirFd, const char *name, const struct stat &before, const struct stat &opened);

/// What the pass log says of such a link.
std::string foreignLinkCause(const struct stat &link, const struct stat &target);

} // namespace quillarc

#pragma once

namespace quillarc {

/// Gives the unnamed file `fd` (opened with O_TMPFILE) the name `name` in
/// the folder `dir`. Returns 0, or the errno of the failure (EEXIST: the
/// name is taken; nothing is replaced).
int nameUnnamedFile(int fd, int dir, const char *name);

} // namespace quillarc

#pragma once

#include "cli/PassOptions.h"

#include <ostream>

namespace quillarc {

/// quillarc-pass --catalogue: brings the disk in the drive into the program
/// folder's catalogue (a damaged one is set aside and begun anew). The
/// disk's own catalogue is merged when it has one; a disk written before
/// the catalogue existed (or whose own catalogue is damaged) is read and
/// every copy hashed. The disk then gets its own catalogue and manifest.
/// Returns 0 when all went well, 1 when a copy could not be read or the
/// disk's files not written, 2 when nothing could be done.
int catalogueDisk(const PassOptions &options, std::ostream &out, std::ostream &err);

} // namespace quillarc

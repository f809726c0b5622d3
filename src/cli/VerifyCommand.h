#pragma once

#include "cli/PassOptions.h"

#include <ostream>

namespace quillarc {

/// quillarc-pass --verify: reads the copies on the disk in the drive back
/// at idle I/O priority and compares them with the catalogue (bounded by
/// --max-duration, narrowed by --since and --failed), tells what it found
/// on the terminal, in the pass log and, without a terminal, to the
/// desktop, and updates the disk's own catalogue and manifest. Nothing is
/// deleted. Returns 0 when every copy read was good, 1 when one was not,
/// 2 when no verify could start.
int verifyCopies(const PassOptions &options, std::ostream &out, std::ostream &err);

} // namespace quillarc

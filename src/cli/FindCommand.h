#pragma once

#include "cli/PassOptions.h"

#include <ostream>

namespace quillarc {

/// quillarc-pass --find: for every file whose name (or path) matches, the
/// disk that holds its newest copy, that copy's date and size, the disks
/// holding older copies and its versions, each as of the day that disk was
/// last seen. Needs no disk. Returns 0 when something matched, 1 when
/// nothing did, 2 when there is no catalogue to ask.
int findCopies(const PassOptions &options, std::ostream &out, std::ostream &err);

} // namespace quillarc

#pragma once

#include "cli/PassOptions.h"

namespace quillarc {

/// quillarc-pass --watch: follows the mount table and runs one pass onto
/// each disk whose label is set to be backed up when mounted: once for each
/// arrival, once at start for one already mounted, one disk after the other.
/// No one is asked anything; each pass ends with a desktop notification.
/// SIGTERM, SIGINT and SIGHUP abort a pass in hand and end the watch.
/// Returns the exit status: 0 when stopped, 2 when it could not start.
int watchMounts(const PassOptions &options);

} // namespace quillarc

#pragma once

#include <string>

namespace quillarc {

/// The UUID of the file system mounted at `root`, as libblkid reads it from
/// the device (or udev lists it under /dev/disk/by-uuid); empty when the
/// device cannot be read or its file system has none.
std::string fileSystemUuid(const std::string &root);

} // namespace quillarc

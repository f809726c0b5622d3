#pragma once

#include "catalogue/Hash128.h"

#include <string>
#include <string_view>

namespace quillarc {

/// One line of a disk's manifest, as `xxh128sum -c` reads it at the disk's
/// root: the hash, two spaces, the path, a newline. A path holding a newline
/// is written as the checksum tools escape names: the line begins with '\',
/// and '\' and the newline in the path read "\\" and "\n". Any other path is
/// written as it stands, so that tools that know no escapes (xxh128sum 0.8.1)
/// check it too.
std::string manifestLine(const Hash128 &hash, std::string_view path);

} // namespace quillarc

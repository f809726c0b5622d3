#pragma once

#include <cstdint>
#include <string>

namespace quillarc {

/// The free-space line of the main window: bytes, KB and MB, each division
/// truncating toward zero, e.g. "1048576  |  1024 KB  |  1 MB" and, for a
/// drive that is not ready, "-1  |  0 KB  |  0 MB".
std::string freeSpaceLine(std::int64_t freeBytes);

} // namespace quillarc

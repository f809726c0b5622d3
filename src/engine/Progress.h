#pragma once

#include <cstdint>

namespace quillarc::Progress {

/// Total bar after `itemsSized` of `itemCount` items: the share in percent,
/// truncated toward zero (33, 66, 100 for three items). 0 without items.
int totalBar(std::int64_t itemsSized, std::int64_t itemCount);

/// Folder bar after `done` of `total` bytes, truncated toward zero; a bar
/// that would reach 100 drops back to 0 so it is never left standing full.
/// 0 when the total is 0 (a folder of empty files).
int folderBar(std::int64_t done, std::int64_t total);

} // namespace quillarc::Progress

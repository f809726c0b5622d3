#pragma once

#include <cstdint>

namespace quillarc {

/// Where a launcher of the program goes. The codes are those the link
/// dialogs store and pass around.
enum class ShortcutLocation : std::uint8_t {
    Desktop = 0,
    QuickLaunch = 1,
    SendTo = 2, ///< no counterpart on Linux: nothing is written
    StartMenu = 3,
    OtherFolder = 4, ///< the sub-folder argument is the folder itself
};

} // namespace quillarc

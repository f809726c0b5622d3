#pragma once

#include <string_view>

namespace quillarc {

/// The backup drive text (`CDEdit`, line 1 of the config file) while no
/// drive has been chosen.
inline constexpr std::string_view kNoDriveText = "Choose backup CD";

} // namespace quillarc

#pragma once

#include "base/DriveRoot.h"

#include <string>
#include <string_view>

namespace quillarc {

/// The backup drive text (`CDEdit`, line 1 of the config file) while no
/// drive has been chosen. Only the config file and the drive field show it;
/// everything else holds a BackupDrive.
inline constexpr std::string_view kNoDriveText = "Choose backup CD";

/// The drive as the config file and the drive field write it.
inline std::string driveText(const BackupDrive &drive)
{
    return drive ? drive->path() : std::string(kNoDriveText);
}

} // namespace quillarc

#pragma once

#include "lists/DriveText.h"

#include "platform/VolumeHost.h"

#include <string>

namespace quillarc {

/// Text of the backup-drive field while no drive is chosen.

/// True for a drive root: an absolute folder path ending in '/' that is not
/// the placeholder and holds no "." or ".." part, no empty part and no NUL
/// or line break (a config file may hold anything).
bool isDriveRoot(const std::string &text);

/// The volume label of the medium in a drive root; empty for anything that
/// is not a drive root, a drive without a medium, or a medium without a label.
std::string GetVolumeLabel(const VolumeHost &host, const std::string &root);

} // namespace quillarc

#pragma once

#include "base/DriveRoot.h"
#include "platform/VolumeHost.h"

#include <string>

namespace quillarc {

/// The volume label of the medium in a drive root; empty for anything that
/// is not a drive root, a drive without a medium, or a medium without a label.
std::string GetVolumeLabel(const VolumeHost &host, const std::string &root);

} // namespace quillarc

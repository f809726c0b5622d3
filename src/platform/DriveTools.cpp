#include "platform/DriveTools.h"

namespace quillarc {

std::string GetVolumeLabel(const VolumeHost &host, const std::string &root)
{
    return isDriveRoot(root) ? host.volumeLabel(root) : std::string();
}

} // namespace quillarc

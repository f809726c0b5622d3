#include "platform/FreeSpaceLine.h"

namespace quillarc {

std::string freeSpaceLine(std::int64_t freeBytes)
{
    return std::to_string(freeBytes) + "  |  " + std::to_string(freeBytes / 1024) + " KB  |  " +
           std::to_string(freeBytes / 1048576) + " MB";
}

} // namespace quillarc

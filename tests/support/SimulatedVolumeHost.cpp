#include "support/SimulatedVolumeHost.h"

#include <filesystem>
#include <system_error>

namespace quillarc::test {

void SimulatedVolumeHost::insert(const std::string &driveRoot, Medium medium)
{
    std::lock_guard lock(mutex);
    drives[driveRoot] = std::move(medium);
}

void SimulatedVolumeHost::eject(const std::string &driveRoot)
{
    std::lock_guard lock(mutex);
    drives.erase(driveRoot);
}

void SimulatedVolumeHost::setFree(const std::string &driveRoot, std::optional<std::int64_t> freeBytes)
{
    std::lock_guard lock(mutex);
    auto found = drives.find(driveRoot);
    if (found != drives.end())
        found->second.fixedFree = freeBytes;
}

std::string SimulatedVolumeHost::mediumRoot(const std::string &driveRoot) const
{
    std::lock_guard lock(mutex);
    auto found = drives.find(driveRoot);
    return found == drives.end() ? std::string() : found->second.root;
}

std::string SimulatedVolumeHost::volumeLabel(const std::string &driveRoot) const
{
    std::lock_guard lock(mutex);
    auto found = drives.find(driveRoot);
    return found == drives.end() ? std::string() : found->second.label;
}

std::int64_t SimulatedVolumeHost::freeBytes(const std::string &driveRoot) const
{
    std::lock_guard lock(mutex);
    auto found = drives.find(driveRoot);
    if (found == drives.end())
        return -1;
    if (found->second.fixedFree)
        return *found->second.fixedFree;
    const std::int64_t free = found->second.capacity - bytesBelow(found->second.root);
    return free < 0 ? 0 : free;
}

std::int64_t SimulatedVolumeHost::totalBytes(const std::string &driveRoot) const
{
    std::lock_guard lock(mutex);
    auto found = drives.find(driveRoot);
    return found == drives.end() ? -1 : found->second.capacity;
}

std::int64_t SimulatedVolumeHost::bytesBelow(const std::string &folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    std::int64_t total = 0;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError) && !it->is_symlink(sizeError))
            total += static_cast<std::int64_t>(it->file_size(sizeError));
    }
    return total;
}

} // namespace quillarc::test

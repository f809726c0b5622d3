#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillarc {

/// True for a drive root: an absolute folder path ending in '/' that holds
/// no "." or ".." part, no empty part and no NUL or line break (a config
/// file may hold anything).
bool isDriveRoot(std::string_view text);

/// The root of a backup drive, checked once where a text becomes one (the
/// config file, the drive button, --drive), so that no later code needs to
/// ask whether a string is a drive or the field's placeholder.
class DriveRoot {
public:
    /// The drive root `text` names; none for anything else.
    static std::optional<DriveRoot> of(std::string_view text);
    /// For a path known to be a drive root; throws std::invalid_argument
    /// for anything else.
    explicit DriveRoot(std::string path);

    /// Ends in '/'.
    const std::string &path() const { return m_path; }
    /// The host's calls take the path as it stands.
    operator const std::string &() const { return m_path; }

    bool operator==(const DriveRoot &) const = default;

private:
    std::string m_path;
};

/// The backup drive: a drive root, or none while none is chosen.
using BackupDrive = std::optional<DriveRoot>;

} // namespace quillarc

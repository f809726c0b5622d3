#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "lists/BackupList.h"
#include "base/DriveRoot.h"

namespace quillarc {

inline constexpr std::string_view kNoVolumeLabelMessage = "DISK HAS NO VOLUME LABEL";
inline constexpr std::string_view kUnknownDiskMessage = "UNKNOWN DISK - ADD FILES OR FOLDERS";

/// File name of the disk list of a label, "<label>.ini" (see perLabelFileName).
std::string diskListFileName(std::string_view label);

/// An item text that would break the line layout of the file (it holds CR
/// or Ctrl-Z). The file is left as it was.
class UnstorableTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// What a path line names when the list is loaded.
enum class PathKind {
    Missing,
    File,
    Folder
};
using PathProbe = std::function<PathKind(const std::string &path)>;
/// stat(): a folder, anything else that exists, or missing. A path that is
/// empty, holds NUL or is not absolute counts as missing.
PathKind probePath(const std::string &path);

/// The disk list files "<label>.ini" in the program folder: five lines per
/// item (path, "Date/Time", "Float", "SubDir", "T"/"F"), CR LF, in list
/// order; an empty list is an empty file. Saves are atomic.
class DiskListFile {
public:
    /// `programFolder` ends in '/'.
    explicit DiskListFile(std::string programFolder, PathProbe probe = probePath);

    std::string pathFor(std::string_view label) const;
    /// The program folder, ending in '/'.
    const std::string &folder() const { return m_folder; }

    /// saveItems: writes the whole list to the file of `label`. Does
    /// nothing (returns false) while no drive is chosen or the label is
    /// empty. Throws FileError or UnstorableTextError.
    bool saveItems(const BackupDrive &drive, std::string_view label, const BackupList &list) const;

    enum class LoadResult {
        Loaded,      ///< the list holds the file's items (perhaps none)
        NoLabel,     ///< list cleared; show kNoVolumeLabelMessage
        UnknownDisk, ///< no file for the label; list cleared; show kUnknownDiskMessage
    };
    /// loadItems: replaces the list with the file of `label`. Records whose
    /// path is missing now are kept; those whose path is empty, not absolute
    /// or holds NUL are dropped; "SubDir" other than "Yes", "No" or empty
    /// becomes empty for a file and "Yes" otherwise; only "T" checks an item.
    /// Every other line is kept as read, so a save writes it back unchanged.
    /// A file that cannot be read throws FileError and leaves the list as it was.
    LoadResult loadItems(std::string_view label, BackupList &list) const;

    /// Message for a load result; empty for Loaded.
    static std::string_view messageFor(LoadResult result);

    /// appendItemLines: appends the five lines of every item, in list order.
    static void appendItemLines(const BackupList &list, std::vector<std::string> &lines);

    /// SaveIniInfo: writes `lines` as the file of `label`, each followed by
    /// CR LF. The caller makes sure the label is not empty. Throws FileError
    /// or UnstorableTextError.
    void SaveIniInfo(std::string_view label, const std::vector<std::string> &lines) const;

    /// Fills `list` from file bytes by the load rules (import reuses this).
    void loadFromBytes(std::string_view bytes, BackupList &list) const;

private:
    std::string m_folder;
    PathProbe m_probe;
};

} // namespace quillarc

#pragma once

#include <string>
#include <string_view>

namespace quillarc {

/// Whether a pass starts by itself when a disk of a given label is mounted.
/// Kept per label in "<label>.auto" beside the label's list file (the same
/// safe file name, see perLabelFileName): one line, "T" for on, "F" for off,
/// CR LF. Missing, unreadable or anything but "T" reads as off, so a disk
/// never takes part without the person having said so. Only a label with a
/// list file can be switched on: a disk the program does not know has
/// nothing to back up, and its label must not leave files behind. Any label
/// can be switched off, with or without its list or its disk.
class AutoBackupSetting {
public:
    /// `programFolder` ends in '/'.
    explicit AutoBackupSetting(std::string programFolder);

    std::string pathFor(std::string_view label) const;

    bool isOn(std::string_view label) const;

    enum class SetResult {
        Saved,
        NoLabel,     ///< nothing written: the disk has no label
        UnknownDisk, ///< nothing written: switched on, and the label has no list file
    };
    /// Saves the choice atomically. Throws FileError when it cannot be saved
    /// (the previous choice then stays).
    SetResult set(std::string_view label, bool on) const;

private:
    std::string m_folder;
};

} // namespace quillarc

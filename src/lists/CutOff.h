#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "lists/DateTime.h"

namespace quillarc {

/// An item's cut-off: either none ("all file times": every file qualifies)
/// or a local date-time. The list file holds it as the "Float" and
/// "Date/Time" texts; everything past the reader works with this value.
class CutOff {
public:
    /// No cut-off.
    CutOff() = default;
    /// The cut-off at a local date-time; 0 is the list's mark for none.
    static CutOff at(DateTime local) { return CutOff(local); }

    /// A "Float" text, read with "." or "," whatever the locale says, so a
    /// list written under one locale reads under another. Empty when the
    /// text is not a number.
    static std::optional<CutOff> fromFloatText(std::string_view text);

    bool none() const { return m_local == 0; }
    /// The local date-time; 0 when there is none.
    DateTime local() const { return m_local; }

    /// The instant files are compared with: the earliest one the local
    /// date-time can name, so where the clock was set back and an hour ran
    /// twice, the files written in its second run are not hidden. Only for
    /// a cut-off that is not none.
    std::chrono::system_clock::time_point earliestInstant() const;

    /// The "Float" text under the current locale.
    std::string floatText() const;
    /// The "Date/Time" text under the current locale ("0/0/0 0:00" for none).
    std::string dateTimeText() const;

    bool operator==(const CutOff &other) const = default;

private:
    explicit CutOff(DateTime local) : m_local(local) {}

    DateTime m_local = 0;
};

/// What an item is and, for a folder, whether its sub-folders go along.
/// In the list file: "Yes", "No", or empty for a single file.
enum class SubFolders {
    Included,   ///< a folder with everything inside it
    Excluded,   ///< a folder's own files only, without its sub-folders
    NotAFolder, ///< a single file
};

/// The "SubDir" text of a flag.
std::string_view subDirText(SubFolders flag);
/// The flag a "SubDir" text stands for: empty is a single file, "No" a
/// folder without its sub-folders, anything else a folder with them.
SubFolders subFoldersFromText(std::string_view text);

} // namespace quillarc

#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "lists/CutOff.h"

namespace quillarc {

/// Positions of an item's three list-file texts.
enum BackupItemText : int {
    TextDateTime = 0, ///< "Date/Time": the cut-off as shown
    TextFloat = 1,    ///< "Float": the cut-off value, authoritative
    TextSubDir = 2,   ///< "SubDir": "Yes", "No", or empty for a single file
};

inline constexpr const char *kSubDirYes = "Yes";
inline constexpr const char *kSubDirNo = "No";

/// One entry of the backup list: a path, a cut-off, a sub-folder flag and a
/// check box. The cut-off and the flag are typed values, read once from the
/// item's list-file texts; the texts themselves are kept as they were read
/// or last made, so that writing the list back changes none of its lines
/// (not even a "Float" that is not a number, or one with another locale's
/// decimal separator). Items are owned by their BackupList, which makes
/// every change so that listeners hear of it; an item's address stays the
/// same for its whole life, whatever the list does to its order.
class BackupItem {
public:
    const std::string &path() const { return m_path; }
    /// A list-file line of the item, as it is written back.
    const std::string &text(int position) const { return m_texts.at(static_cast<std::size_t>(position)); }
    const std::array<std::string, 3> &texts() const { return m_texts; }
    bool checked() const { return m_checked; }

    /// The cut-off; empty when the item's "Float" line is not a number (the
    /// pass names the item and passes it over).
    const std::optional<CutOff> &cutOff() const { return m_cutOff; }
    SubFolders subFolders() const { return m_subFolders; }
    bool isFolder() const { return m_subFolders != SubFolders::NotAFolder; }
    /// A folder whose sub-folders go along.
    bool withSubfolders() const { return m_subFolders == SubFolders::Included; }

private:
    friend class BackupList;
    explicit BackupItem(std::string path) : m_path(std::move(path)) {}

    std::string m_path;
    std::array<std::string, 3> m_texts;
    std::optional<CutOff> m_cutOff;
    SubFolders m_subFolders = SubFolders::NotAFolder;
    bool m_checked = false;
};

} // namespace quillarc

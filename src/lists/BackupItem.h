#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <utility>

namespace quillarc {

/// Positions of an item's three texts, as the other parts address them.
enum BackupItemText : int {
    TextDateTime = 0, ///< "Date/Time": the cut-off as shown
    TextFloat = 1,    ///< "Float": the cut-off value, authoritative
    TextSubDir = 2,   ///< "SubDir": "Yes", "No", or empty for a single file
};

inline constexpr const char *kSubDirYes = "Yes";
inline constexpr const char *kSubDirNo = "No";

/// One entry of the backup list. Everything is text, as shown; the check box
/// is the only other field. Items are owned by their BackupList, which
/// makes every change so that listeners hear of it; an item's address stays
/// the same for its whole life, whatever the list does to its order.
class BackupItem {
public:
    const std::string &path() const { return m_path; }
    const std::string &text(int position) const { return m_texts.at(static_cast<std::size_t>(position)); }
    const std::array<std::string, 3> &texts() const { return m_texts; }
    bool checked() const { return m_checked; }

    /// Folder items have "Yes" or "No"; a single file has an empty flag.
    bool isFolder() const { return !m_texts[TextSubDir].empty(); }

private:
    friend class BackupList;
    explicit BackupItem(std::string path) : m_path(std::move(path)) {}

    std::string m_path;
    std::array<std::string, 3> m_texts;
    bool m_checked = false;
};

} // namespace quillarc

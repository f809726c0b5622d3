#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unordered_map>

#include "lists/CutOff.h"

namespace quillarc {

/// The folders each item's last pass saw on one disk, kept beside the
/// disk's list file as "<label>.folders".
///
/// A folder moved or renamed into a backed-up tree brings files whose own
/// times say nothing: they are older than the item's cut-off. Such a folder
/// is found by its path, which the last pass did not see (or saw holding
/// another folder: a folder is known by its file system's device and its
/// inode number together, so that another disk mounted where a folder was
/// is not taken for it), and every file below it is then taken as new. A
/// record belongs to the cut-off the pass gave its item: a cut-off changed
/// since, or a record that is missing or does not read (one of an older
/// layout, which knew no devices, included), leaves the pass to judge
/// folders by their status-change times alone.
class SeenFolders {
public:
    struct FolderId {
        dev_t device = 0;
        std::uint64_t fileSystem = 0; ///< the file system's own identity (statfs), 0 when none
        ino_t inode = 0;
        bool operator==(const FolderId &) const = default;
    };
    /// Folder paths below the item (the item's own folder is ""), with the
    /// device and inode each had.
    using Folders = std::unordered_map<std::string, FolderId>;

    /// "<label>.folders" under the same escaping rules as the list file.
    static std::string fileName(std::string_view label);

    /// Reads a record; a missing file, or one that does not read as a
    /// whole, leaves the record empty.
    void load(const std::string &path);
    /// Writes the record atomically. Throws FileError.
    void save(const std::string &path) const;

    /// The folders the item's last pass saw, when that pass gave the item
    /// the cut-off `cutOff`; nullptr otherwise. The record holds the cut-off
    /// as the list's "Float" text, and compares it as a value, so a record
    /// written under one locale serves under another.
    const Folders *forItem(const std::string &itemPath, CutOff cutOff) const;
    void setItem(const std::string &itemPath, CutOff cutOff, Folders folders, bool mountPoint = false);
    /// The item's folder was a mount point (a share, a disk) at the pass
    /// that recorded it, whatever cut-off that pass gave it.
    bool wasMountPoint(const std::string &itemPath) const;

    /// Forgets the items `inList` says no longer are in the list.
    template <class InList>
    void keepItems(InList inList)
    {
        std::erase_if(m_items, [&](const auto &entry) { return !inList(entry.first); });
    }

    bool empty() const { return m_items.empty(); }

private:
    struct Entry {
        std::string cutOffText;
        Folders folders;
        bool mountPoint = false;
    };
    std::unordered_map<std::string, Entry> m_items;
};

} // namespace quillarc

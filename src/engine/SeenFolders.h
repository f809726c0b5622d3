#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <initializer_list>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

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
    /// device and inode each had. A tree of a million files has tens of
    /// thousands of folders, and a pass holds two such records (the last
    /// pass's and its own): the paths lie one after another in one buffer,
    /// not a node and a string each, and a look-up goes by the path's hash.
    class Folders {
    public:
        Folders() = default;
        Folders(std::initializer_list<std::pair<std::string, FolderId>> folders);

        /// A path given twice is found as it was given first.
        void add(std::string_view path, FolderId id);
        /// Every path given goes; the rest keep their order.
        void remove(const std::set<std::string> &paths);
        /// nullptr when the path is not in the record.
        const FolderId *find(std::string_view path) const;
        /// Throws std::out_of_range when the path is not in the record.
        const FolderId &at(std::string_view path) const;
        std::size_t size() const { return m_entries.size(); }

        template <class Visit>
        void forEach(Visit visit) const
        {
            for (const Entry &entry : m_entries)
                visit(pathOf(entry), entry.id);
        }

    private:
        struct Entry {
            std::uint64_t hash;
            std::uint32_t at;   ///< where the path starts in m_paths
            std::uint32_t size; ///< its length
            FolderId id;
        };
        std::string_view pathOf(const Entry &entry) const { return {m_paths.data() + entry.at, entry.size}; }
        const Entry *lookUp(std::string_view path, std::uint64_t hash) const;

        std::string m_paths;
        std::vector<Entry> m_entries;
        /// Indexes into m_entries by hash, made on the first look-up after
        /// a change (a record is looked up or added to, seldom both).
        mutable std::vector<std::uint32_t> m_byHash;
        mutable bool m_indexed = false;
    };

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
    /// Hands every field of the record after its header to `field`, in
    /// the order the file holds them.
    template <class Field>
    void fields(Field field) const
    {
        char number[24];
        auto numberText = [&](std::uint64_t value) {
            const auto end = std::to_chars(number, number + sizeof number, value).ptr;
            return std::string_view(number, static_cast<std::size_t>(end - number));
        };
        for (const auto &[itemPath, entry] : m_items) {
            field("item");
            field(itemPath);
            field(entry.cutOffText);
            field(entry.mountPoint ? "1" : "0");
            field(numberText(entry.folders.size()));
            entry.folders.forEach([&](std::string_view folder, const FolderId &id) {
                field(folder);
                field(numberText(id.device));
                field(numberText(id.fileSystem));
                field(numberText(id.inode));
            });
        }
        field("end");
        field(numberText(m_items.size()));
    }

    struct Entry {
        std::string cutOffText;
        Folders folders;
        bool mountPoint = false;
    };
    std::unordered_map<std::string, Entry> m_items;
};

} // namespace quillarc

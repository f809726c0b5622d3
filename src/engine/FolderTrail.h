#pragma once

#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "engine/CutOffTest.h"
#include "engine/FolderMarks.h"
#include "engine/SeenFolders.h"
#include "lists/CutOff.h"
#include "platform/FileSystemKind.h"

namespace quillarc {

class BackupDisk;

/// The folders of a folder item as a walk meets them, and which of them
/// moved or were renamed into its tree since its last pass.
///
/// A folder new to the item brings files whose own times say nothing: every
/// file below it is taken as new unless the disk holds a current copy of
/// it. A folder is new below a new folder; else, with a record of the
/// item's last pass, when that pass did not see it (or saw another folder
/// there, or one on another file system: a stick mounted where a folder
/// was); else, with none, when its status changed since the cut-off (a move
/// or a rename changes it), so that the person's cut-off still holds for
/// what did not. Where inode numbers say nothing from one pass to the next
/// (FAT, FUSE, a network share), the record cannot tell a folder put in
/// place of another, and FAT keeps no status-change time either: past the
/// first pass, every folder there is new, and its files cost a look at
/// their copies.
///
/// The pass's sizing and copy scans and the dry run walk with one trail
/// each, so that all three judge a folder alike.
class FolderTrail {
public:
    using FolderMarks = quillarc::FolderMarks;
    struct OpenFolder {
        std::string relative; ///< below the item
        bool isNew = false;   ///< not seen by the item's last pass: every file in it is new
        bool settle = false;  ///< the folder itself changed or is new: its copy gets its bits and times
        FolderMarksRef marks = FolderMarksRef::make();
    };

    /// Reads the record of the folders seen ("<label>.folders"); a missing
    /// or unreadable one leaves the trail to status-change times.
    void load(const std::string &file) { m_seen.load(file); }
    /// Writes the record, keeping only the items `inList` says are still
    /// in the list. Throws FileError.
    template <class InList>
    void save(const std::string &file, InList inList)
    {
        m_seen.keepItems(inList);
        m_seen.save(file);
    }
    bool wasMountPoint(const std::string &itemPath) const { return m_seen.wasMountPoint(itemPath); }

    /// Starts the folder item `itemPath`, its files judged by `cutOff`.
    void beginItem(const std::string &itemPath, CutOff cutOff);
    /// Forgets the open folders (an item that is no folder, or a walk cut
    /// short).
    void clearOpen() { m_open.clear(); }

    /// The sizing scan saw the folder: recorded for the item's next pass.
    void saw(const std::string &path, const struct stat &st);
    /// The walk goes into the folder `path`.
    OpenFolder &enter(const std::string &path, const struct stat &st);
    /// The walk leaves the innermost open folder: it, as it ends.
    OpenFolder leave();
    /// The innermost open folder; none outside a walk.
    OpenFolder *inHand() { return m_open.empty() ? nullptr : &m_open.back(); }
    std::size_t depth() const { return m_open.size(); }
    std::string pathOf(const OpenFolder &folder) const { return m_itemText + folder.relative; }

    /// Whether the file `path` qualifies: by its own times, or, in a folder
    /// new to the item, when `disk` (nullptr: none known) holds no current
    /// copy of it.
    bool qualifies(const struct stat &st, const std::string &path, BackupDisk *disk) const;
    bool qualifies(const struct stat &st) const { return m_cutOffTest.qualifies(st); }

    /// Something in the innermost open folder was missed: the folder is
    /// settled by the pass that copies it, and, with `lookAgain`, is left
    /// out of the record so that the next pass looks at all of it again.
    void missedInHand(bool lookAgain);
    /// The same for the folder of `marks`, open or left.
    void missedIn(FolderMarks &marks, bool lookAgain);

    /// The item's pass ended with a new cut-off: the folders it saw become
    /// the record its next pass compares with. A folder in which something
    /// was missed stays new to the item.
    void record(const std::string &itemPath, CutOff cutOff, bool mountPoint);

private:
    std::string belowItem(const std::string &path) const;
    bool isNew(const std::string &path, const std::string &relative, const struct stat &st);
    const FileSystemFacts &facts(const std::string &path, const struct stat &st);
    SeenFolders::FolderId folderId(const std::string &path, const struct stat &st);

    SeenFolders m_seen;                             ///< per item, of the disk the pass writes to
    CutOffTest m_cutOffTest;                        ///< the item's
    const SeenFolders::Folders *m_lastSeen = {};    ///< the item's last pass; none: every folder is new
    SeenFolders::Folders m_seenNow;                 ///< what this pass's sizing scan saw of the item
    std::set<std::string> m_unrecorded;             ///< folders in which something was missed
    std::map<dev_t, FileSystemFacts> m_fileSystems; ///< per device met in the item
    std::string m_itemText;                         ///< the item's folder, ending in '/'
    std::vector<OpenFolder> m_open;                 ///< the walk's open folders, innermost last
};

} // namespace quillarc

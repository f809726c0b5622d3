#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "lists/BackupItem.h"
#include "lists/BackupListListener.h"
#include "lists/DateTime.h"

namespace quillarc {

/// The backup list: folders and single files with their cut-offs, sub-folder
/// flags and check boxes, always sorted by path with the current locale's
/// case-sensitive collation (Locale::compare). Index order is display order,
/// file order and the order of a pass. Paths need not be unique.
///
/// Not locked: the window thread owns it, and while a pass runs the worker
/// is its only writer. Selection belongs to the view.
class BackupList {
public:
    BackupList();
    ~BackupList();
    BackupList(const BackupList &) = delete;
    BackupList &operator=(const BackupList &) = delete;

    std::size_t count() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    /// Item by index 0 .. count()-1 in list order.
    BackupItem &at(std::size_t index)
    {
        placePending();
        return *m_items.at(index);
    }
    const BackupItem &at(std::size_t index) const
    {
        placePending();
        return *m_items.at(index);
    }
    /// Index of an item of this list; count() when it is not one.
    std::size_t indexOf(const BackupItem &item) const;

    /// New unchecked item with empty texts, placed in path order: at once,
    /// or, between beginUpdate and endUpdate, all together by one sort when
    /// the list is next looked at by index (a load stays n log n). Equal
    /// paths keep the order they were added in. The reference stays valid
    /// until the item is deleted or the list cleared.
    BackupItem &append(std::string path);

    /// The list-file texts as read: they are kept for writing back, and the
    /// cut-off and sub-folder flag are read from them here.
    void setText(BackupItem &item, int position, std::string text);
    /// All three texts in the order "Date/Time", "Float", "SubDir".
    void setTexts(BackupItem &item, std::array<std::string, 3> texts);
    void setChecked(BackupItem &item, bool checked);

    /// Set cut-off: "Float" := number text of v; then "Date/Time" :=
    /// "0/0/0 0:00" for 0, else the date-time text of "Float" parsed back,
    /// so both columns agree to the second. The item's cut-off is the value
    /// "Float" reads back as, the same one a reload of the list gives.
    void setCutOffValue(BackupItem &item, DateTime value);
    void setCutOff(BackupItem &item, CutOff cutOff) { setCutOffValue(item, cutOff.local()); }
    /// Gives `item` the cut-off of `from`, texts and all (even a "Float"
    /// that is not a number).
    void copyCutOff(BackupItem &item, const BackupItem &from);
    void setSubFolders(BackupItem &item, SubFolders flag);

    void remove(BackupItem &item);
    void clear();

    std::size_t checkedCount() const;

    /// Between beginUpdate and the matching endUpdate listeners hear nothing;
    /// endUpdate then sends one listReset if anything changed (loading).
    void beginUpdate();
    void endUpdate();

    /// Listeners are not owned; remove one before it dies.
    void addListener(BackupListListener *listener);
    void removeListener(BackupListListener *listener);

private:
    void placePending() const;
    static void readTexts(BackupItem &item);
    void notifyReset();
    void notifyChanged(const BackupItem &item);

    // Items added during an update and not yet placed stand at the end.
    mutable std::vector<std::unique_ptr<BackupItem>> m_items;
    mutable std::size_t m_placed = 0; ///< m_items[0, m_placed) are in path order
    std::vector<BackupListListener *> m_listeners;
    int m_updateDepth = 0;
    bool m_changedDuringUpdate = false;
};

/// beginUpdate / endUpdate for a scope.
class BackupListUpdate {
public:
    explicit BackupListUpdate(BackupList &list) : m_list(list) { m_list.beginUpdate(); }
    ~BackupListUpdate() { m_list.endUpdate(); }
    BackupListUpdate(const BackupListUpdate &) = delete;
    BackupListUpdate &operator=(const BackupListUpdate &) = delete;

private:
    BackupList &m_list;
};

} // namespace quillarc

#pragma once

#include <optional>
#include <sys/stat.h>

#include "engine/CutOffTest.h"
#include "lists/CutOff.h"
#include "lists/DateTime.h"

namespace quillarc {

/// How something a pass missed holds its item's cut-off.
class CutOffHold {
public:
    /// A qualifying file not copied: the new cut-off stays below its own
    /// time, so that the next pass copies it.
    static CutOffHold belowFile(const struct stat &st) { return CutOffHold(Kind::BelowFile, &st); }
    /// Something of the item that no file time stands for (a folder that
    /// could not be listed, a cut-off that does not read): the item keeps
    /// its cut-off.
    static CutOffHold wholeItem() { return CutOffHold(Kind::WholeItem, nullptr); }
    /// A file the pass will never copy as things stand (a link root may not
    /// follow): the cut-off moves on, or it would never move again.
    static CutOffHold none() { return CutOffHold(Kind::None, nullptr); }

    enum class Kind {
        BelowFile,
        WholeItem,
        None,
    };
    Kind kind() const { return m_kind; }
    const struct stat *file() const { return m_file; }

private:
    CutOffHold(Kind kind, const struct stat *file) : m_kind(kind), m_file(file) {}
    Kind m_kind;
    const struct stat *m_file;
};

/// The cut-off rule of the item in hand: which of its files qualify, and
/// the cut-off it moves to once its work is done, held back by whatever
/// the pass missed of it.
class ItemCutOff {
public:
    /// The item's work begins under `cutOff`, at `workBegan` (files changed
    /// from then on are left to the next pass, which is what the new
    /// cut-off says), with the EXCLUDE box set as `excludeNow`.
    void begin(CutOff cutOff, DateTime workBegan, bool excludeNow);

    bool qualifies(const struct stat &st) const { return m_test.qualifies(st); }

    void hold(const CutOffHold &hold);

    /// A file was tested with the EXCLUDE box set as `excludeNow`. A box
    /// toggled while the item is worked on makes the sizing and copy scans
    /// judge files differently, and the copy scan's early end can leave
    /// files behind: such an item keeps its cut-off.
    void excludeTested(bool excludeNow);
    bool excludeChanged() const { return m_excludeChanged; }

    /// The cut-off the item moves to; none when it keeps the one it had.
    std::optional<DateTime> next() const;

private:
    CutOffTest m_test;
    DateTime m_workBegan = 0;
    std::optional<DateTime> m_missedCutOff; ///< earliest cut-off that keeps a missed file
    bool m_keep = false;                    ///< something of the item was missed that no file time covers
    bool m_excludeAtStart = true;           ///< the EXCLUDE box as the item's work began
    bool m_excludeChanged = false;          ///< a file of the item was tested under the other setting
};

} // namespace quillarc

#pragma once

#include <cstddef>

namespace quillarc {

/// Told about every change of a BackupList, on the thread that made it (the
/// backup pass changes cut-offs from its worker thread, so a view must carry
/// the call to its own thread).
class BackupListListener {
public:
    virtual ~BackupListListener() = default;
    /// Items were added, removed, cleared or reordered: rebuild the view.
    virtual void listReset() = 0;
    /// The texts or the check box of the item at `index` changed.
    virtual void itemChanged(std::size_t index) = 0;
};

} // namespace quillarc

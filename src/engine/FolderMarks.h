#pragma once

#include <string>
#include <utility>

namespace quillarc {

/// What the files of a folder did, told as they are named: a file in
/// flight may be named after the walk has left its folder.
struct FolderMarks {
    std::string relative; ///< below the item
    bool touched = false; ///< something was written into its copy
    bool missed = false;  ///< a file in it was missed
};

/// A folder's marks, shared by the walk's trail and the files and folders
/// in flight, all on the pass's own thread. Counted by hand rather than
/// with std::shared_ptr, whose counts are atomic and released through a
/// virtual call: a pass keeps one a folder, in a walk that may run out of
/// descriptors, where a sanitizer's check of each virtual call needs one.
class FolderMarksRef {
public:
    FolderMarksRef() = default;
    static FolderMarksRef make()
    {
        FolderMarksRef made;
        made.m_shared = new Shared;
        return made;
    }
    FolderMarksRef(const FolderMarksRef &other) : m_shared(other.m_shared)
    {
        if (m_shared != nullptr)
            ++m_shared->count;
    }
    FolderMarksRef(FolderMarksRef &&other) noexcept : m_shared(std::exchange(other.m_shared, nullptr)) {}
    FolderMarksRef &operator=(FolderMarksRef other) noexcept
    {
        std::swap(m_shared, other.m_shared);
        return *this;
    }
    ~FolderMarksRef()
    {
        if (m_shared != nullptr && --m_shared->count == 0)
            delete m_shared;
    }

    FolderMarks *get() const { return m_shared != nullptr ? &m_shared->marks : nullptr; }
    FolderMarks *operator->() const { return get(); }
    FolderMarks &operator*() const { return *get(); }
    explicit operator bool() const { return m_shared != nullptr; }

private:
    struct Shared {
        FolderMarks marks;
        int count = 1;
    };
    Shared *m_shared = nullptr;
};

} // namespace quillarc

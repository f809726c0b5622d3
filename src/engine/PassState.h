#pragma once

#include <atomic>
#include <cstdint>

namespace quillarc {

/// A flag shared by the window thread and the worker: one writer, one
/// poller, no lock. Relaxed ordering is enough, since no other data is
/// published through it.
class PassFlag {
public:
    void set() { m_value.store(true, std::memory_order_relaxed); }
    void clear() { m_value.store(false, std::memory_order_relaxed); }
    bool isSet() const { return m_value.load(std::memory_order_relaxed); }
    explicit operator bool() const { return isSet(); }

private:
    std::atomic<bool> m_value {false};
};

/// A counter written by the worker and readable from the window thread.
class PassCount {
public:
    std::int64_t get() const { return m_value.load(std::memory_order_relaxed); }
    void set(std::int64_t v) { m_value.store(v, std::memory_order_relaxed); }
    void add(std::int64_t v) { m_value.store(get() + v, std::memory_order_relaxed); }
    operator std::int64_t() const { return get(); }

private:
    std::atomic<std::int64_t> m_value {0};
};

/// What the window, the runner and the tests share with a running pass: the
/// requests to stop it, which only they set, and what it shows. How the
/// pass ended is not kept here: the pass sets that once, where its cause
/// happens, and hands it back in its outcome.
struct PassState {
    /// Stop after the file in hand: ABORT, STOP while sizing, closing the
    /// window, a signal (one lock-free store, safe in a signal handler).
    PassFlag AbortFlag;
    /// Stop after the item in hand: STOP while copying.
    PassFlag StopRequested;
    PassFlag SizingPhase; ///< true from a sizing scan until the copy scan starts

    PassCount FilesBackedUp;
    PassCount ItemsSized;       ///< folder items sized so far
    PassCount FolderBytesTotal; ///< qualifying bytes of the folder item
    PassCount FolderBytesDone;  ///< of those, handed to the copy step
    PassCount FolderFilesTotal; ///< qualifying files of the folder item
    PassCount FolderFilesDone;  ///< of those, handed to the copy step
};

} // namespace quillarc

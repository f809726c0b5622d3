#pragma once

#include "catalogue/RestorePlan.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace quillarc {

/// Asks the disk for the next copies of a restore while the one before is
/// written. A cold disk gives small files one at a time, each after a seek
/// or a round trip: a plain copy waits for every one of them in turn. From
/// a thread of its own this opens the copies a little ahead of the writer
/// (so their folders and entries are read) and asks the kernel to start
/// reading their first bytes, so that several reads are under way at once.
/// It only ever reads: a copy it cannot open is left for the writer to
/// report.
class RestoreReadAhead {
public:
    struct Limits {
        /// At most this many copies ahead of the writer,
        std::size_t files = 256;
        /// and at most this much of their content,
        std::int64_t bytes = std::int64_t(64) << 20;
        /// counting of each copy what is asked for at its start (the
        /// kernel reads on from there).
        std::int64_t perFile = std::int64_t(8) << 20;
    };

    /// `files` must outlive this; `diskRoot` is the disk's root folder.
    RestoreReadAhead(int diskRoot, const std::vector<PlannedFile> &files, Limits limits);
    RestoreReadAhead(int diskRoot, const std::vector<PlannedFile> &files);
    ~RestoreReadAhead();
    RestoreReadAhead(const RestoreReadAhead &) = delete;
    RestoreReadAhead &operator=(const RestoreReadAhead &) = delete;

    /// False for a disk whose file system lives in memory (tmpfs, ramfs):
    /// its bytes come at once, and asking ahead would only cost.
    static bool helps(int diskRoot);

    /// The writer has come to file `index` (and is done with those before).
    void reached(std::size_t index);

    /// How many copies have been asked for so far (for tests).
    std::size_t askedFor() const;

private:
    void run();
    std::int64_t weightOf(std::size_t index) const;
    bool roomFor(bool leavingSlack) const;

    int m_diskRoot;
    const std::vector<PlannedFile> &m_files;
    Limits m_limits;
    mutable std::mutex m_mutex;
    std::condition_variable m_moved;
    std::size_t m_reached = 0; ///< the writer's file
    std::size_t m_asked = 0;   ///< the first file not yet asked for
    std::int64_t m_bytesAhead = 0;
    bool m_stop = false;
    bool m_waiting = false; ///< the thread waits for room
    std::thread m_thread;
};

} // namespace quillarc

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/PassUi.h"
#include "lists/DateTime.h"

namespace quillarc {

/// A change the pass made to its copy of the backup list, for the owner of
/// the real list to make too. Items are named by index: the list cannot be
/// edited while a pass runs, so both lists keep the same order.
struct ListChange {
    enum class Kind {
        CutOff,
        Unchecked
    } kind = Kind::CutOff;
    std::size_t index = 0;
    DateTime cutOff = 0; ///< the new cut-off, for Kind::CutOff
};

/// Where the pass posts what the window shows. Posting takes a short lock
/// and never waits for the display: status lines, bars, free space and label
/// keep only their latest value; list changes queue in order. The display's
/// thread takes them with deliverTo() whenever it likes.
class ProgressBoard final : public ProgressDisplay {
public:
    /// `echo`, when given, hears every post at once on the posting thread
    /// (tests use it to act at an exact moment of a pass).
    explicit ProgressBoard(ProgressDisplay *echo = nullptr) : m_echo(echo) {}

    void setStatus(StatusLine line, const std::string &prefix, const std::string &path = {},
                   PathFit fit = PathFit::Whole) override;
    void setTotalBar(int percent) override;
    void setFolderBar(int percent) override;
    void showFreeSpace(std::int64_t freeBytes) override;
    void showVolumeLabel(const std::string &label) override;
    void postListChange(const ListChange &change);

    /// Hands everything posted since the last call to `display` and appends
    /// the queued list changes to `changes`. True when anything was new.
    bool deliverTo(ProgressDisplay &display, std::vector<ListChange> &changes);

private:
    struct Line {
        std::string prefix;
        std::string path;
        PathFit fit = PathFit::Whole;
    };
    struct Posted {
        std::array<std::optional<Line>, 2> lines;
        std::optional<int> totalBar;
        std::optional<int> folderBar;
        std::optional<std::int64_t> freeBytes;
        std::optional<std::string> label;
        std::vector<ListChange> changes;
        bool any = false;
    };

    ProgressDisplay *m_echo;
    std::mutex m_mutex;
    Posted m_posted;
};

} // namespace quillarc

#pragma once

#include "engine/PassOutcome.h"

#include <string>

namespace quillarc {

/// What the desktop is told at the end of a pass no window shows.
struct PassNotice {
    std::string label;   ///< the disk the pass was for
    std::string refusal; ///< not empty: no pass was started, and why
    PassOutcome outcome; ///< the ending, when a pass ran
};

/// A notice as a notification shows it.
struct NoticeText {
    std::string summary;
    std::string body;
    bool urgent = false; ///< anything but a clean pass
};

/// The words of a notice. `markup`: the body may hold the notification
/// markup (text is escaped then); `links`: the pass log may be a link.
NoticeText noticeText(const PassNotice &notice, bool markup, bool links);

/// What a disk-full ending left for the next disk ("2 items, 14 files of
/// the first, the others not reached"); empty when it does not say.
std::string leftForNextDisk(const PassOutcome &outcome);

/// A file path as a file:// address.
std::string fileUrl(const std::string &path);

/// Tells the desktop how a pass ended. Never fails: without a session bus or
/// a notification server the notice is dropped (the pass log and the exit
/// status still tell).
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void notify(const PassNotice &notice) = 0;
};

} // namespace quillarc

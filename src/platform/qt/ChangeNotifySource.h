#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace quillarc {

/// Where change notifications come from. A registration asks for a set of
/// event ids; the source then calls deliver on the registering thread with
/// the message number it was registered with.
class ChangeNotifySource {
public:
    using Deliver = std::function<void(int messageNo, std::uint32_t eventId, const QString &path1)>;

    virtual ~ChangeNotifySource() = default;

    /// Starts delivering the events of mask; false when that is impossible.
    virtual bool registerFor(std::uint32_t mask, int messageNo, Deliver deliver) = 0;
    /// Stops delivering; harmless when not registered.
    virtual void deregister() = 0;

    /// Drive roots to report media events for beyond those the source finds
    /// by itself, such as a backup folder that is a medium by its label file.
    /// Replaces the roots given before and outlives registrations. A source
    /// that only knows whole drives ignores them.
    virtual void setWatchedRoots(const QStringList &roots) { (void)roots; }
};

} // namespace quillarc

#pragma once

#include "platform/qt/ChangeNotifySource.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace quillarc {

/// Event ids of the change notifications the program handles, with the
/// values programs have always used for them.
namespace SHCNE {
inline constexpr std::uint32_t MEDIAINSERTED = 0x00000020;
inline constexpr std::uint32_t MEDIAREMOVED = 0x00000040;
} // namespace SHCNE

class TSHChangeNotify;
using TOneParmEvent = std::function<void(TSHChangeNotify *sender, std::uint32_t flags, const QString &path1)>;

/// Turns change notifications into events with a plain path argument: media
/// inserted and media removed, for the drive root whose medium changed. It
/// registers with its source only for the events that have a handler, and
/// calls handlers on the thread that created it. Paths arrive as the system
/// spells them: on Linux case matters, so a changed case would name another
/// folder. On Linux the source is the mount-table watch.
class TSHChangeNotify : public QObject {
    Q_OBJECT
public:
    /// With no source given, the mount-table watch of this machine is used.
    explicit TSHChangeNotify(QObject *owner = nullptr, std::unique_ptr<ChangeNotifySource> source = nullptr);
    ~TSHChangeNotify() override;

    /// The number the source delivers this component's notifications under.
    int MessageNo() const { return m_messageNo; }

    // Setting either handler registers again for the events that now have
    // one. Throws std::runtime_error("Could not register SHChangeNotify")
    // when the source refuses.
    void setOnMediaInserted(TOneParmEvent handler);
    void setOnMediaRemoved(TOneParmEvent handler);

    /// Drive roots the program needs media events for beyond mount points
    /// and automount folders: the chosen backup drive, which may be a folder
    /// holding a label file on a stick. Media inserted and removed for such a
    /// root carry the text given here. Replaces the roots set before and is
    /// kept across registrations.
    void setWatchedRoots(const QStringList &roots);

    /// True while registered with the source.
    bool registered() const { return m_registered; }
    /// Bitwise OR of the ids of the events that have a handler.
    std::uint32_t eventMask() const;

    /// A notification arriving: taken only when messageNo equals MessageNo
    /// and eventId is exactly the id of an event with a handler. The same
    /// event for the same path (in any case) as the previous one is dropped.
    void receive(int messageNo, std::uint32_t eventId, const QString &path1);

private:
    const TOneParmEvent *handlerFor(std::uint32_t id) const;
    void Reregister();
    void Deregister();

    std::unique_ptr<ChangeNotifySource> m_source;
    TOneParmEvent m_onMediaInserted;
    TOneParmEvent m_onMediaRemoved;
    const int m_messageNo = 1024;
    bool m_registered = false;

    std::uint32_t m_LastEventId = 0;
    QString m_LastPath1;
};

} // namespace quillarc

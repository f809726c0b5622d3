#pragma once

#include "platform/qt/ChangeNotifySource.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace quillarc {

/// Event ids of the change notifications, with the values programs have
/// always used for them.
namespace SHCNE {
inline constexpr std::uint32_t RENAMEITEM = 0x00000001;
inline constexpr std::uint32_t CREATE = 0x00000002;
inline constexpr std::uint32_t DELETE_ = 0x00000004; // DELETE is a macro on some systems
inline constexpr std::uint32_t MKDIR = 0x00000008;
inline constexpr std::uint32_t RMDIR = 0x00000010;
inline constexpr std::uint32_t MEDIAINSERTED = 0x00000020;
inline constexpr std::uint32_t MEDIAREMOVED = 0x00000040;
inline constexpr std::uint32_t DRIVEREMOVED = 0x00000080;
inline constexpr std::uint32_t DRIVEADD = 0x00000100;
inline constexpr std::uint32_t NETSHARE = 0x00000200;
inline constexpr std::uint32_t NETUNSHARE = 0x00000400;
inline constexpr std::uint32_t ATTRIBUTES = 0x00000800;
inline constexpr std::uint32_t UPDATEDIR = 0x00001000;
inline constexpr std::uint32_t UPDATEITEM = 0x00002000;
inline constexpr std::uint32_t SERVERDISCONNECT = 0x00004000;
inline constexpr std::uint32_t UPDATEIMAGE = 0x00008000;
inline constexpr std::uint32_t DRIVEADDGUI = 0x00010000;
inline constexpr std::uint32_t RENAMEFOLDER = 0x00020000;
inline constexpr std::uint32_t ASSOCCHANGED = 0x08000000;
inline constexpr std::uint32_t INTERRUPT = 0x80000000;
} // namespace SHCNE

enum class TTextCase {
    tcAsIs,
    tcUppercase,
    tcLowercase
};

class TSHChangeNotify;
using TOneParmEvent = std::function<void(TSHChangeNotify *sender, std::uint32_t flags, const QString &path1)>;
using TTwoParmEvent =
    std::function<void(TSHChangeNotify *sender, std::uint32_t flags, const QString &path1, const QString &path2)>;

/// Turns change notifications into events with plain path arguments. It
/// registers with its source only for the events that have a handler, and
/// calls handlers on the thread that created it. On Linux the source is the
/// mount-table watch, which raises media inserted and media removed for
/// every drive root whose medium changed.
class TSHChangeNotify : public QObject {
    Q_OBJECT
public:
    /// With no source given, the mount-table watch of this machine is used.
    explicit TSHChangeNotify(QObject *owner = nullptr, std::unique_ptr<ChangeNotifySource> source = nullptr);
    ~TSHChangeNotify() override;

    int MessageNo() const { return m_messageNo; }
    /// Does not register again: a registration made before keeps the number
    /// it was made with.
    void setMessageNo(int messageNo) { m_messageNo = messageNo; }
    TTextCase TextCase() const { return m_textCase; }
    void setTextCase(TTextCase textCase) { m_textCase = textCase; }

    // Setting any handler registers again for the events that now have one.
    // Throws std::runtime_error("Could not register SHChangeNotify") when the
    // source refuses.
    void setOnAssocChanged(TTwoParmEvent handler);
    void setOnAttributes(TOneParmEvent handler);
    void setOnCreate(TOneParmEvent handler);
    void setOnDelete(TOneParmEvent handler);
    void setOnDriveAdd(TOneParmEvent handler);
    void setOnDriveAddGUI(TOneParmEvent handler);
    void setOnDriveRemoved(TOneParmEvent handler);
    void setOnInterrupt(TOneParmEvent handler);
    void setOnMediaInserted(TOneParmEvent handler);
    void setOnMediaRemoved(TOneParmEvent handler);
    void setOnMkDir(TOneParmEvent handler);
    void setOnNetShare(TOneParmEvent handler);
    void setOnNetUnshare(TOneParmEvent handler);
    void setOnRenameFolder(TTwoParmEvent handler);
    void setOnRenameItem(TTwoParmEvent handler);
    void setOnRmDir(TOneParmEvent handler);
    void setOnServerDisconnect(TOneParmEvent handler);
    void setOnUpdateDir(TOneParmEvent handler);
    void setOnUpdateImage(TOneParmEvent handler);
    void setOnUpdateItem(TOneParmEvent handler);

    /// Drive roots the program needs media events for beyond mount points
    /// and automount folders: the chosen backup drive, which may be a folder
    /// holding a label file on a stick. Media inserted and removed for such a
    /// root carry the text given here. Replaces the roots set before and is
    /// kept across registrations.
    void setWatchedRoots(const QStringList &roots);

    /// True while registered with the source.
    bool registered() const { return m_registered; }
    /// Bitwise OR of the ids of all events that have a handler.
    std::uint32_t eventMask() const;

    /// A notification arriving: taken only when messageNo equals MessageNo
    /// (a negative MessageNo takes none) and eventId is exactly one of the
    /// twenty ids with a handler. The same event with the same paths (in any
    /// case) as the previous one is dropped, except interrupts.
    void receive(int messageNo, std::uint32_t eventId, const QString &path1, const QString &path2 = QString());

private:
    struct Slot {
        std::uint32_t id;
        TOneParmEvent one;
        TTwoParmEvent two;
    };
    void setOne(std::uint32_t id, TOneParmEvent handler);
    void setTwo(std::uint32_t id, TTwoParmEvent handler);
    Slot *slotFor(std::uint32_t id);
    void Reregister();
    void Deregister();
    QString applyCase(const QString &path) const;

    std::unique_ptr<ChangeNotifySource> m_source;
    std::vector<Slot> m_slots;
    int m_messageNo = 1024;
    TTextCase m_textCase = TTextCase::tcAsIs;
    bool m_registered = false;

    std::uint32_t m_LastEventId = 0;
    QString m_LastPath1;
    QString m_LastPath2;
};

} // namespace quillarc

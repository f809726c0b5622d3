#include "platform/qt/TSHChangeNotify.h"

#include "platform/qt/MountWatcher.h"

#include <stdexcept>

namespace quillarc {

namespace {

bool takesTwoPaths(std::uint32_t id)
{
    return id == SHCNE::RENAMEITEM || id == SHCNE::RENAMEFOLDER || id == SHCNE::ASSOCCHANGED;
}

} // namespace

TSHChangeNotify::TSHChangeNotify(QObject *owner, std::unique_ptr<ChangeNotifySource> source)
    : QObject(owner), m_source(source ? std::move(source) : std::make_unique<MountWatchSource>())
{
    for (std::uint32_t id :
         {SHCNE::ASSOCCHANGED, SHCNE::ATTRIBUTES,       SHCNE::CREATE,     SHCNE::DELETE_,       SHCNE::DRIVEADD,
          SHCNE::DRIVEADDGUI,  SHCNE::DRIVEREMOVED,     SHCNE::INTERRUPT,  SHCNE::MEDIAINSERTED, SHCNE::MEDIAREMOVED,
          SHCNE::MKDIR,        SHCNE::NETSHARE,         SHCNE::NETUNSHARE, SHCNE::RENAMEFOLDER,  SHCNE::RENAMEITEM,
          SHCNE::RMDIR,        SHCNE::SERVERDISCONNECT, SHCNE::UPDATEDIR,  SHCNE::UPDATEIMAGE,   SHCNE::UPDATEITEM})
        m_slots.push_back(Slot {id, {}, {}});
    Reregister();
}

TSHChangeNotify::~TSHChangeNotify()
{
    Deregister();
}

TSHChangeNotify::Slot *TSHChangeNotify::slotFor(std::uint32_t id)
{
    for (auto &slot : m_slots) {
        if (slot.id == id)
            return &slot;
    }
    return nullptr;
}

void TSHChangeNotify::setOne(std::uint32_t id, TOneParmEvent handler)
{
    slotFor(id)->one = std::move(handler);
    Reregister();
}

void TSHChangeNotify::setTwo(std::uint32_t id, TTwoParmEvent handler)
{
    slotFor(id)->two = std::move(handler);
    Reregister();
}

void TSHChangeNotify::setOnAssocChanged(TTwoParmEvent h)
{
    setTwo(SHCNE::ASSOCCHANGED, std::move(h));
}
void TSHChangeNotify::setOnAttributes(TOneParmEvent h)
{
    setOne(SHCNE::ATTRIBUTES, std::move(h));
}
void TSHChangeNotify::setOnCreate(TOneParmEvent h)
{
    setOne(SHCNE::CREATE, std::move(h));
}
void TSHChangeNotify::setOnDelete(TOneParmEvent h)
{
    setOne(SHCNE::DELETE_, std::move(h));
}
void TSHChangeNotify::setOnDriveAdd(TOneParmEvent h)
{
    setOne(SHCNE::DRIVEADD, std::move(h));
}
void TSHChangeNotify::setOnDriveAddGUI(TOneParmEvent h)
{
    setOne(SHCNE::DRIVEADDGUI, std::move(h));
}
void TSHChangeNotify::setOnDriveRemoved(TOneParmEvent h)
{
    setOne(SHCNE::DRIVEREMOVED, std::move(h));
}
void TSHChangeNotify::setOnInterrupt(TOneParmEvent h)
{
    setOne(SHCNE::INTERRUPT, std::move(h));
}
void TSHChangeNotify::setOnMediaInserted(TOneParmEvent h)
{
    setOne(SHCNE::MEDIAINSERTED, std::move(h));
}
void TSHChangeNotify::setOnMediaRemoved(TOneParmEvent h)
{
    setOne(SHCNE::MEDIAREMOVED, std::move(h));
}
void TSHChangeNotify::setOnMkDir(TOneParmEvent h)
{
    setOne(SHCNE::MKDIR, std::move(h));
}
void TSHChangeNotify::setOnNetShare(TOneParmEvent h)
{
    setOne(SHCNE::NETSHARE, std::move(h));
}
void TSHChangeNotify::setOnNetUnshare(TOneParmEvent h)
{
    setOne(SHCNE::NETUNSHARE, std::move(h));
}
void TSHChangeNotify::setOnRenameFolder(TTwoParmEvent h)
{
    setTwo(SHCNE::RENAMEFOLDER, std::move(h));
}
void TSHChangeNotify::setOnRenameItem(TTwoParmEvent h)
{
    setTwo(SHCNE::RENAMEITEM, std::move(h));
}
void TSHChangeNotify::setOnRmDir(TOneParmEvent h)
{
    setOne(SHCNE::RMDIR, std::move(h));
}
void TSHChangeNotify::setOnServerDisconnect(TOneParmEvent h)
{
    setOne(SHCNE::SERVERDISCONNECT, std::move(h));
}
void TSHChangeNotify::setOnUpdateDir(TOneParmEvent h)
{
    setOne(SHCNE::UPDATEDIR, std::move(h));
}
void TSHChangeNotify::setOnUpdateImage(TOneParmEvent h)
{
    setOne(SHCNE::UPDATEIMAGE, std::move(h));
}
void TSHChangeNotify::setOnUpdateItem(TOneParmEvent h)
{
    setOne(SHCNE::UPDATEITEM, std::move(h));
}

void TSHChangeNotify::setWatchedRoots(const QStringList &roots)
{
    m_source->setWatchedRoots(roots);
}

std::uint32_t TSHChangeNotify::eventMask() const
{
    std::uint32_t mask = 0;
    for (const auto &slot : m_slots) {
        if (slot.one || slot.two)
            mask |= slot.id;
    }
    return mask;
}

void TSHChangeNotify::Deregister()
{
    if (m_registered)
        m_source->deregister();
    m_registered = false;
}

void TSHChangeNotify::Reregister()
{
    Deregister();
    const std::uint32_t mask = eventMask();
    if (mask == 0)
        return;
    const bool ok = m_source->registerFor(mask, m_messageNo,
                                          [this](int messageNo, std::uint32_t id, const QString &p1,
                                                 const QString &p2) { receive(messageNo, id, p1, p2); });
    if (!ok)
        throw std::runtime_error("Could not register SHChangeNotify");
    m_registered = true;
}

QString TSHChangeNotify::applyCase(const QString &path) const
{
    switch (m_textCase) {
    case TTextCase::tcUppercase:
        return path.toUpper();
    case TTextCase::tcLowercase:
        return path.toLower();
    case TTextCase::tcAsIs:
        break;
    }
    return path;
}

void TSHChangeNotify::receive(int messageNo, std::uint32_t eventId, const QString &path1, const QString &path2)
{
    if (m_messageNo < 0 || messageNo != m_messageNo)
        return;
    const Slot *slot = slotFor(eventId); // exact ids only: combined bits pick none
    if (!slot || !(slot->one || slot->two))
        return;

    if (eventId != SHCNE::INTERRUPT && eventId == m_LastEventId && path1.toUpper() == m_LastPath1.toUpper() &&
        path2.toUpper() == m_LastPath2.toUpper())
        return;
    m_LastEventId = eventId;
    m_LastPath1 = path1;
    m_LastPath2 = path2;

    // Copies: a handler may replace itself while it runs.
    const QString first = applyCase(path1);
    if (takesTwoPaths(eventId)) {
        const TTwoParmEvent handler = slot->two;
        handler(this, eventId, first, applyCase(path2));
    } else {
        const TOneParmEvent handler = slot->one;
        handler(this, eventId, first);
    }
}

} // namespace quillarc

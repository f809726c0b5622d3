#include "platform/qt/TSHChangeNotify.h"

#include "platform/qt/MediumChangeWatcher.h"

#include <stdexcept>

namespace quillarc {

TSHChangeNotify::TSHChangeNotify(QObject *owner, std::unique_ptr<ChangeNotifySource> source)
    : QObject(owner), m_source(source ? std::move(source) : std::make_unique<MountWatchSource>())
{
    Reregister();
}

TSHChangeNotify::~TSHChangeNotify()
{
    Deregister();
}

void TSHChangeNotify::setOnMediaInserted(TOneParmEvent handler)
{
    m_onMediaInserted = std::move(handler);
    Reregister();
}

void TSHChangeNotify::setOnMediaRemoved(TOneParmEvent handler)
{
    m_onMediaRemoved = std::move(handler);
    Reregister();
}

void TSHChangeNotify::setWatchedRoots(const QStringList &roots)
{
    m_source->setWatchedRoots(roots);
}

const TOneParmEvent *TSHChangeNotify::handlerFor(std::uint32_t id) const
{
    // Exact ids only: combined bits pick none.
    const TOneParmEvent *handler = nullptr;
    if (id == SHCNE::MEDIAINSERTED)
        handler = &m_onMediaInserted;
    else if (id == SHCNE::MEDIAREMOVED)
        handler = &m_onMediaRemoved;
    return handler && *handler ? handler : nullptr;
}

std::uint32_t TSHChangeNotify::eventMask() const
{
    return (m_onMediaInserted ? SHCNE::MEDIAINSERTED : 0) | (m_onMediaRemoved ? SHCNE::MEDIAREMOVED : 0);
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
    const bool ok =
        m_source->registerFor(mask, m_messageNo, [this](int messageNo, std::uint32_t id, const QString &path) {
            receive(messageNo, id, path);
        });
    if (!ok)
        throw std::runtime_error("Could not register SHChangeNotify");
    m_registered = true;
}

void TSHChangeNotify::receive(int messageNo, std::uint32_t eventId, const QString &path1)
{
    if (messageNo != m_messageNo)
        return;
    const TOneParmEvent *slot = handlerFor(eventId);
    if (!slot)
        return;

    if (eventId == m_LastEventId && path1.toUpper() == m_LastPath1.toUpper())
        return;
    m_LastEventId = eventId;
    m_LastPath1 = path1;

    // A copy: a handler may replace itself while it runs.
    const TOneParmEvent handler = *slot;
    handler(this, eventId, path1);
}

} // namespace quillarc

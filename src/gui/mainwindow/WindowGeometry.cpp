// The window's size and place: the size a person asked for is the one kept,
// whatever part of it this screen and scale allow; a remembered place is
// kept only where the title bar can be reached.
#include "gui/TQLForm.h"

#include "gui/mainwindow/WindowPlacement.h"

#include <QGuiApplication>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace quillarc {

namespace {

// A frame's size where the desktop has not told it yet: a title bar and a
// thin border.
const QMargins kFrameGuess(4, 32, 4, 4);
// How long a window manager may take to frame a window it has just been
// asked to move; the place is checked again after that.
constexpr int kFrameSettleMs = 400;

QList<QRect> screenAreas()
{
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

} // namespace

QMargins TQLForm::frameMargins() const
{
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    const QMargins known(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                         frame.bottom() - inner.bottom());
    if (known.top() > 0)
        return known;
    // Platforms without a window manager (off-screen, minimal) draw no
    // frame at all.
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal") ? QMargins() : kFrameGuess;
}

void TQLForm::fitWindowTo(QSize wanted)
{
    if (wanted.width() <= 0 || wanted.height() <= 0)
        return;
    m_wantedSize = wanted;
    const QScreen *screen = this->screen();
    resize(fittedSize(wanted, screen ? screen->availableGeometry().size() : QSize(), frameMargins()));
    m_fittedSize = size();
}

QSize TQLForm::sizeToSave() const
{
    // A window the person has not resized keeps the size that was asked
    // for, so that a start at a larger scale (or on a smaller screen) does
    // not shrink the window of the next start.
    return size() == m_fittedSize && m_wantedSize.isValid() ? m_wantedSize : size();
}

void TQLForm::placeWindow()
{
    // The whole frame, title bar included, goes on a screen; before the
    // window manager has framed the window its frame is a guess.
    const QMargins margins = frameMargins();
    const QSize frame = size().grownBy(margins);
    m_askedPlace = reachablePlace(QRect(QPoint(SavedLeft(), SavedTop()), frame), screenAreas());
    move(m_askedPlace);
    m_placedPos = pos();
    m_placed = true;
    // Once the window manager has framed the window, its frame is known;
    // one that does not fit where it was put is brought onto the screen.
    QPointer<TQLForm> window(this);
    QTimer::singleShot(kFrameSettleMs, this, [window] {
        if (!window || !window->isVisible())
            return;
        const QRect framed = window->frameGeometry();
        const QRect whole(framed.topLeft(), window->size().grownBy(window->frameMargins()));
        const QPoint reachable = reachablePlace(whole, screenAreas());
        if (reachable != framed.topLeft()) {
            window->move(reachable);
            window->m_askedPlace = reachable;
        }
        window->m_placedPos = window->pos();
        Q_EMIT window->placeSettled();
    });
}

QPoint TQLForm::placeToSave() const
{
    // Closed before it was placed: the remembered place stands, not the
    // centre the window was shown at meanwhile.
    if (!m_placed)
        return m_rememberedPlace.value_or(pos());
    // Some window managers frame a window where it was asked to go but never
    // tell Qt the inner corner's new place, or tell it late, so the window
    // would read back a title bar's height higher on every start. Until the
    // person moves it, the place it was given is the place it has.
    if (pos() == m_placedPos)
        return m_askedPlace;
    return placeToRemember(m_askedPlace, pos(), frameMargins());
}

} // namespace quillarc

// The window's size and place: the size a person asked for is the one kept,
// whatever part of it this screen and scale allow; a remembered place is
// kept only where the title bar can be reached.
#include "gui/TQLForm.h"

#include "gui/mainwindow/WindowPlacement.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace quillarc {

namespace {

// A title bar's height where the desktop has not told it yet.
constexpr int kTitleGuess = 32;
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

void TQLForm::fitWindowTo(QSize wanted)
{
    if (wanted.width() <= 0 || wanted.height() <= 0)
        return;
    m_wantedSize = wanted;
    const QScreen *screen = this->screen();
    resize(fittedSize(wanted, screen ? screen->availableGeometry().size() : QSize()));
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
    const QRect frame = frameGeometry();
    const int title = geometry().top() - frame.top();
    m_askedPlace = reachablePlace(QRect(QPoint(m_config.SavedLeft, m_config.SavedTop), frame.size()), screenAreas(),
                                  title > 0 ? title : kTitleGuess);
    move(m_askedPlace);
    m_placedPos = pos();
    m_placed = true;
    // Once the window manager has framed the window, its title bar is known;
    // one that it placed above the screen (by the inner corner) is brought
    // down. The place asked for stays what is saved.
    QPointer<TQLForm> window(this);
    QTimer::singleShot(kFrameSettleMs, this, [window] {
        if (!window || !window->isVisible())
            return;
        const QRect framed = window->frameGeometry();
        const int bar = window->geometry().top() - framed.top();
        const QPoint reachable = reachablePlace(framed, screenAreas(), bar > 0 ? bar : kTitleGuess);
        if (reachable != framed.topLeft())
            window->move(reachable);
        window->m_placedPos = window->pos();
        Q_EMIT window->placeSettled();
    });
}

QPoint TQLForm::placeToSave() const
{
    // Some window managers frame a window where it was asked to go but never
    // tell Qt the inner corner's new place, so the window would read back a
    // title bar's height higher on every start. Until the person moves it,
    // the place it was given is the place it has.
    return m_placed && pos() == m_placedPos ? m_askedPlace : pos();
}

} // namespace quillarc

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
    const auto place = [this](QPoint at) {
        const QRect frame = frameGeometry();
        const int title = geometry().top() - frame.top();
        move(reachablePlace(QRect(at, frame.size()), screenAreas(), title > 0 ? title : kTitleGuess));
    };
    place(QPoint(m_config.SavedLeft, m_config.SavedTop));
    // Once the window manager has framed the window, its title bar is known
    // for certain; a window it placed by its inner corner is brought back.
    QPointer<TQLForm> window(this);
    QTimer::singleShot(kFrameSettleMs, this, [window, place] {
        if (window && window->isVisible())
            place(window->frameGeometry().topLeft());
    });
}

} // namespace quillarc

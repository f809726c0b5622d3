#include "gui/mainwindow/WindowPlacement.h"

#include <algorithm>
#include <limits>

namespace quillarc {

namespace {

long long distanceSquared(const QPoint &a, const QPoint &b)
{
    const long long dx = a.x() - b.x();
    const long long dy = a.y() - b.y();
    return dx * dx + dy * dy;
}

// The screen that holds most of the frame, or the nearest one when none
// holds any of it.
const QRect &homeScreen(const QRect &frame, const QList<QRect> &screens)
{
    const QRect *best = &screens.first();
    long long bestArea = -1;
    long long bestDistance = std::numeric_limits<long long>::max();
    for (const QRect &screen : screens) {
        const QRect on = frame.intersected(screen);
        const long long area = on.isEmpty() ? 0 : static_cast<long long>(on.width()) * on.height();
        const long long distance = distanceSquared(screen.center(), frame.center());
        if (area > bestArea || (area == bestArea && distance < bestDistance)) {
            best = &screen;
            bestArea = area;
            bestDistance = distance;
        }
    }
    return *best;
}

} // namespace

QPoint reachablePlace(const QRect &frame, const QList<QRect> &screens)
{
    if (screens.isEmpty())
        return frame.topLeft();
    for (const QRect &screen : screens)
        if (screen.contains(frame))
            return frame.topLeft();

    // Moved just far enough to lie within the screen; where it is too large
    // for that, its top left edge stays on the screen, title bar and all.
    const QRect &screen = homeScreen(frame, screens);
    const int left =
        std::clamp(frame.left(), screen.left(), std::max(screen.left(), screen.right() + 1 - frame.width()));
    const int top = std::clamp(frame.top(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - frame.height()));
    return {left, top};
}

QSize fittedSize(const QSize &wanted, const QSize &screen, const QMargins &frame)
{
    if (!screen.isValid() || screen.isEmpty())
        return wanted;
    const QSize room(screen.width() - frame.left() - frame.right(), screen.height() - frame.top() - frame.bottom());
    return wanted.boundedTo(room.expandedTo(QSize(1, 1)));
}

QPoint placeToRemember(const QPoint &asked, const QPoint &now, const QMargins &frame)
{
    const QPoint shift(frame.left(), frame.top());
    if (now == asked || now == asked - shift || now == asked + shift)
        return asked;
    // The border alone, or the title bar alone, as some managers report.
    const QPoint down(0, frame.top());
    if (now == asked - down || now == asked + down)
        return asked;
    return now;
}

} // namespace quillarc

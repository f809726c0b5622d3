#include "gui/mainwindow/WindowPlacement.h"

#include <algorithm>
#include <limits>

namespace quillarc {

namespace {

bool titleBarReachable(const QRect &frame, const QRect &screen, int titleHeight, int grip)
{
    // The whole height of the title bar within the screen, and enough of
    // its width to take hold of.
    const QRect bar(frame.left(), frame.top(), frame.width(), std::max(1, titleHeight));
    const QRect on = bar.intersected(screen);
    return on.height() == bar.height() && on.width() >= std::min(grip, frame.width());
}

long long distanceSquared(const QPoint &a, const QPoint &b)
{
    const long long dx = a.x() - b.x();
    const long long dy = a.y() - b.y();
    return dx * dx + dy * dy;
}

} // namespace

QPoint reachablePlace(const QRect &frame, const QList<QRect> &screens, int titleHeight, int grip)
{
    if (screens.isEmpty())
        return frame.topLeft();
    for (const QRect &screen : screens)
        if (titleBarReachable(frame, screen, titleHeight, grip))
            return frame.topLeft();

    // The screen nearest to where the window was, and the window moved just
    // far enough to lie within it.
    const QRect *nearest = &screens.first();
    long long best = std::numeric_limits<long long>::max();
    for (const QRect &screen : screens) {
        const long long d = distanceSquared(screen.center(), frame.center());
        if (d < best) {
            best = d;
            nearest = &screen;
        }
    }
    const QRect &screen = *nearest;
    const int left =
        std::clamp(frame.left(), screen.left(), std::max(screen.left(), screen.right() + 1 - frame.width()));
    const int top = std::clamp(frame.top(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - frame.height()));
    return {left, top};
}

QSize fittedSize(const QSize &wanted, const QSize &screen)
{
    return screen.isValid() && !screen.isEmpty() ? wanted.boundedTo(screen) : wanted;
}

} // namespace quillarc

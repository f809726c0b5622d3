#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace quillarc {

/// Where a window goes so that a person can see and reach all of it: its
/// frame (title bar included) lies wholly on one of the screens. A
/// remembered place that passes is kept as it stands; one that does not (a
/// screen since unplugged, a place saved at a smaller scale, a place above
/// the top edge) is moved onto the nearest screen, just far enough. A frame
/// larger than the screen goes to its top left edge, so that the title bar
/// stays on it. All values are the desktop's device-independent pixels.
QPoint reachablePlace(const QRect &frame, const QList<QRect> &screens);

/// A remembered size fitted to a screen, with room left for the frame the
/// window manager puts around it.
QSize fittedSize(const QSize &wanted, const QSize &screen, const QMargins &frame = {});

/// The place to remember for a window that was put at `asked` and now
/// reports `now`. A window manager that frames a window late may leave it
/// reporting a place shifted by exactly its frame (the title bar's height,
/// the border's width) in either direction; that is still the place that
/// was asked for, and remembering it instead would move the window by a
/// title bar on every start. Any other place is one the person chose.
QPoint placeToRemember(const QPoint &asked, const QPoint &now, const QMargins &frame);

} // namespace quillarc

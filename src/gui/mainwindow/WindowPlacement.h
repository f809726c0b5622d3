#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace quillarc {

/// Where a window goes so that a person can reach it: its title bar (the top
/// `titleHeight` pixels of its frame, at least a grip `grip` pixels wide)
/// lies on one of the screens. A remembered place that passes is kept as it
/// stands; one that does not (a screen since unplugged, a place above the
/// top edge) is moved onto the nearest screen. All values are the
/// desktop's device-independent pixels.
QPoint reachablePlace(const QRect &frame, const QList<QRect> &screens, int titleHeight, int grip = 48);

/// A remembered size fitted to a screen: never larger than it.
QSize fittedSize(const QSize &wanted, const QSize &screen);

} // namespace quillarc

#include "gui/StatusPath.h"

#include <QFontMetrics>
#include <QStringList>

namespace quillarc {

QString shortenPath(const QString &path, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const bool absolute = path.startsWith(QLatin1Char('/'));
    QStringList folders = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (folders.isEmpty())
        return path;
    const QString name = folders.takeLast();
    const QString lead = absolute ? QStringLiteral("/") : QString();
    QString candidate;
    while (!folders.isEmpty()) {
        folders.removeFirst();
        candidate = lead + QStringLiteral(".../") +
                    (folders.isEmpty() ? QString() : folders.join(QLatin1Char('/')) + QLatin1Char('/')) + name;
        if (metrics.horizontalAdvance(candidate) <= width)
            return candidate;
    }
    return QStringLiteral(".../") + name;
}

} // namespace quillarc

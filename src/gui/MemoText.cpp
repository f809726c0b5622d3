#include "gui/MemoText.h"

#include <QFontMetrics>

namespace quillarc {

QString memoText(const QStringList &lines, const QFontMetrics &metrics, int width)
{
    bool allFit = true;
    for (const QString &line : lines)
        allFit = allFit && metrics.horizontalAdvance(line.trimmed()) <= width;
    if (allFit) {
        QStringList trimmed;
        for (const QString &line : lines)
            trimmed << line.trimmed();
        return trimmed.join(QLatin1Char('\n'));
    }
    QString text;
    for (const QString &line : lines) {
        if (line.isEmpty())
            text += QStringLiteral("\n\n");
        else if (text.isEmpty() || text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char(' ')))
            text += line;
        else
            text += QLatin1Char(' ') + line;
    }
    return text;
}

} // namespace quillarc

#pragma once

#include <QString>
#include <QStringList>

class QFontMetrics;

namespace quillarc {

/// The text of a fixed memo: its lines as written when every one of them
/// fits `width` in the memo's face, so the line breaks stay where the text
/// puts them; otherwise the lines flow as paragraphs (an empty line still
/// starts a new one), so that nothing is cut off in a wider desktop face.
QString memoText(const QStringList &lines, const QFontMetrics &metrics, int width);

} // namespace quillarc

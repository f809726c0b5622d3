#pragma once

#include <QString>

class QFontMetrics;

namespace quillarc {

/// Fits a path into a status line: the last name and the leading '/' are
/// kept and the leading folder names are replaced, one by one, with ".../"
/// until the text is no wider than `width` pixels in the line's font; when
/// even "/.../name" is too wide the leading '/' goes as well.
QString shortenPath(const QString &path, const QFontMetrics &metrics, int width);

} // namespace quillarc

#pragma once

#include <QString>

#include <cstdint>

namespace quillarc {

/// A count as the windows say it: the number in the person's locale with
/// its noun, the singular for one ("1 file", "2 files", "1,234 copies").
QString countText(std::uint64_t count, const QString &one, const QString &many);

inline QString filesText(std::uint64_t count)
{
    return countText(count, QStringLiteral("file"), QStringLiteral("files"));
}

/// A size as the windows say it, the same as the runner's: "1 byte",
/// "512 bytes", "1.5 KiB".
QString sizeCountText(std::int64_t bytes);

} // namespace quillarc

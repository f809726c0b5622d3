#include "gui/CountText.h"

#include "catalogue/CatalogueText.h"

#include <QLocale>

namespace quillarc {

QString countText(std::uint64_t count, const QString &one, const QString &many)
{
    return QLocale().toString(static_cast<qulonglong>(count)) + QLatin1Char(' ') + (count == 1 ? one : many);
}

QString sizeCountText(std::int64_t bytes)
{
    return QString::fromStdString(sizeText(bytes));
}

} // namespace quillarc

#include "gui/find/FindResultsModel.h"

#include "catalogue/CatalogueText.h"

namespace quillarc {

namespace {

QString text(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

void FindResultsModel::setRows(std::vector<FindRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int FindResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FindResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FindResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const FindRow &row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return display(row, index.column());
    case SortRole:
        return sortValue(row, index.column());
    case PathRole:
        return text(row.path);
    case Qt::ToolTipRole:
        return text(row.details);
    case Qt::TextAlignmentRole:
        if (index.column() == Size)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant FindResultsModel::display(const FindRow &row, int column) const
{
    switch (column) {
    case Name:
        return text(row.name);
    case Folder:
        return text(row.folder);
    case NewestOn:
        return text(row.newestDisk);
    case Modified:
        return text(timeText(row.newest.copy.modifiedNs));
    case Size:
        return text(sizeText(row.newest.copy.size));
    case Versions:
        return text(row.versionsText);
    case OlderOn:
        return row.olderText.empty() ? QStringLiteral("none") : text(row.olderText);
    default:
        return {};
    }
}

QVariant FindResultsModel::sortValue(const FindRow &row, int column) const
{
    switch (column) {
    case Modified:
        return QVariant::fromValue<qlonglong>(row.newest.copy.modifiedNs);
    case Size:
        return QVariant::fromValue<qlonglong>(row.newest.copy.size);
    case Versions:
        return QVariant::fromValue<qlonglong>(row.versions);
    case NewestOn:
        return text(row.newest.diskLabel).toLower();
    default:
        return display(row, column).toString().toLower();
    }
}

QVariant FindResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const kTitles[ColumnCount] = {
        "Name", "Folder", "Newest copy on", "Modified", "Size", "Versions", "Older copies on",
    };
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kTitles[section]) : QVariant();
}

FindFilter::FindFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(FindResultsModel::SortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
}

void FindFilter::setPattern(const std::string &pattern, bool wholePath)
{
    m_wholePath = wholePath;
    m_pattern = pattern.empty() ? nullptr
                                : std::make_unique<NamePattern>(pattern, wholePath ? NamePattern::Against::WholePath
                                                                                   : NamePattern::Against::Name);
    invalidateRowsFilter();
}

bool FindFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (!m_pattern)
        return true;
    const auto *model = static_cast<const FindResultsModel *>(sourceModel());
    if (sourceParent.isValid() || sourceRow >= model->rowCount())
        return false;
    const FindRow &row = model->rows()[static_cast<std::size_t>(sourceRow)];
    return m_pattern->matches(m_wholePath ? row.path : row.name);
}

} // namespace quillarc

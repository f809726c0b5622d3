#include "gui/mainwindow/BackupListModel.h"

#include "lists/BackupList.h"

namespace quillarc {

namespace {

const char *const kHeaders[] = {"Folder", "Date/Time", "Float", "SubDir"};

// The columns show the item's values under the current locale. A cut-off
// that did not read shows its texts as they stand in the list file, so the
// person sees what is wrong with it.
std::string columnText(const BackupItem &item, int column)
{
    switch (column) {
    case BackupListModel::ColumnFolder:
        return item.path();
    case BackupListModel::ColumnDateTime:
        return item.cutOff() ? item.cutOff()->dateTimeText() : item.text(TextDateTime);
    case BackupListModel::ColumnFloat:
        return item.cutOff() ? item.cutOff()->floatText() : item.text(TextFloat);
    case BackupListModel::ColumnSubDir:
        return std::string(subDirText(item.subFolders()));
    default:
        return {};
    }
}

} // namespace

BackupListModel::BackupListModel(BackupList &list, QObject *parent) : QAbstractTableModel(parent), m_list(list)
{
    m_list.addListener(this);
}

BackupListModel::~BackupListModel()
{
    m_list.removeListener(this);
}

void BackupListModel::setListFont(const QFont &font, const QColor &colour)
{
    beginResetModel();
    m_font = font;
    m_colour = colour;
    endResetModel();
}

int BackupListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list.count());
}

int BackupListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BackupListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const BackupItem &item = m_list.at(static_cast<std::size_t>(index.row()));
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QString::fromStdString(columnText(item, index.column()));
    case Qt::CheckStateRole:
        if (index.column() == ColumnFolder)
            return item.checked() ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::FontRole:
        return m_font;
    case Qt::ForegroundRole:
        return m_colour.isValid() ? QVariant(m_colour) : QVariant();
    default:
        return {};
    }
}

bool BackupListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != ColumnFolder || index.row() >= rowCount())
        return false;
    const auto row = static_cast<std::size_t>(index.row());
    const bool checked = value.value<Qt::CheckState>() == Qt::Checked;
    if (m_checkHandler)
        m_checkHandler(row, checked);
    else
        m_list.setChecked(m_list.at(row), checked);
    return true;
}

Qt::ItemFlags BackupListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == ColumnFolder)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant BackupListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromLatin1(kHeaders[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void BackupListModel::listReset()
{
    beginResetModel();
    endResetModel();
}

void BackupListModel::itemChanged(std::size_t index)
{
    const int row = static_cast<int>(index);
    Q_EMIT dataChanged(this->index(row, 0), this->index(row, ColumnCount - 1));
}

} // namespace quillarc

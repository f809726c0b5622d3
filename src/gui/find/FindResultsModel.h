#pragma once

#include "catalogue/NamePattern.h"
#include "gui/find/FindRows.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <memory>
#include <vector>

namespace quillarc {

/// The files a search found, one a row. Each column sorts by its value (a
/// date by time, a size by bytes), not by its text.
class FindResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Name,
        Folder,
        NewestOn,
        Modified,
        Size,
        Versions,
        OlderOn,
        ColumnCount
    };
    static constexpr int SortRole = Qt::UserRole;
    /// The row's mirror path, for the filter.
    static constexpr int PathRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<FindRow> rows);
    const std::vector<FindRow> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVariant display(const FindRow &row, int column) const;
    QVariant sortValue(const FindRow &row, int column) const;

    std::vector<FindRow> m_rows;
};

/// Narrows the rows to what the search field says now, with the same
/// matching the catalogue's search uses, so that the table follows each key
/// at once while the catalogue is asked again.
class FindFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit FindFilter(QObject *parent = nullptr);

    void setPattern(const std::string &pattern, bool wholePath);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    std::unique_ptr<NamePattern> m_pattern; // null: every row
    bool m_wholePath = false;
};

} // namespace quillarc

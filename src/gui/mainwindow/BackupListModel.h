#pragma once

#include "lists/BackupListListener.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>

#include <cstddef>
#include <functional>

namespace quillarc {

class BackupList;

/// The backup list as the main window's table shows it: "Folder" with the
/// item's check box, "Date/Time", "Float" and "SubDir", read-only texts.
/// Toggling a check box goes to the check handler (the window's session),
/// which changes the list and nothing else: the state reaches the disk list
/// file with the next save.
class BackupListModel : public QAbstractTableModel, private BackupListListener {
    Q_OBJECT
public:
    enum Column {
        ColumnFolder,
        ColumnDateTime,
        ColumnFloat,
        ColumnSubDir,
        ColumnCount
    };

    explicit BackupListModel(BackupList &list, QObject *parent = nullptr);
    ~BackupListModel() override;

    /// Where a toggled check box goes (the owner of the list); without one
    /// the list is changed directly.
    void setCheckHandler(std::function<void(std::size_t row, bool checked)> handler)
    {
        m_checkHandler = std::move(handler);
    }

    /// Font and text colour of the list (the user's list font).
    void setListFont(const QFont &font, const QColor &colour);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void listReset() override;
    void itemChanged(std::size_t index) override;

    BackupList &m_list;
    std::function<void(std::size_t row, bool checked)> m_checkHandler;
    QFont m_font;
    QColor m_colour;
};

} // namespace quillarc

#pragma once

#include <QAbstractItemModel>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillarc {

class Catalogue;

/// What the catalogue knows, as a tree read one folder at a time when the
/// folder is opened, so that a catalogue of a million copies opens at once.
/// By source path the top is the root folder; by disk each disk is a top
/// item holding only its own copies.
class RestoreTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum class View {
        BySourcePath,
        ByDisk
    };
    /// `catalogue` must outlive the model and is used from this thread only.
    RestoreTreeModel(const Catalogue &catalogue, View view, QObject *parent = nullptr);
    ~RestoreTreeModel() override;

    /// The absolute source path of the item ("/home/ann"); empty for a disk.
    std::string sourcePath(const QModelIndex &index) const;
    bool isFolder(const QModelIndex &index) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    struct Node;
    Node *nodeOf(const QModelIndex &index) const;
    std::vector<std::unique_ptr<Node>> readChildren(Node &node) const;

    const Catalogue &m_catalogue;
    View m_view;
    std::unique_ptr<Node> m_root;
};

} // namespace quillarc

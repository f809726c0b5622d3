#include "gui/restore/RestoreTreeModel.h"

#include "catalogue/Catalogue.h"

#include <QApplication>
#include <QStyle>

namespace quillarc {

struct RestoreTreeModel::Node {
    Node *parent = nullptr;
    int row = 0;
    QString text;
    std::string mirrorPath; ///< "" for the top of a tree
    std::int64_t disk = -1; ///< the disk whose copies are shown below; -1: every disk
    bool folder = true;
    bool isDisk = false;
    bool fetched = false;
    std::vector<std::unique_ptr<Node>> children;
};

RestoreTreeModel::RestoreTreeModel(const Catalogue &catalogue, View view, QObject *parent)
    : QAbstractItemModel(parent), m_catalogue(catalogue), m_view(view), m_root(std::make_unique<Node>())
{
    m_root->children = readChildren(*m_root);
    m_root->fetched = true;
}

RestoreTreeModel::~RestoreTreeModel() = default;

std::vector<std::unique_ptr<RestoreTreeModel::Node>> RestoreTreeModel::readChildren(Node &node) const
{
    std::vector<std::unique_ptr<Node>> children;
    auto add = [&](std::unique_ptr<Node> child) {
        child->parent = &node;
        child->row = static_cast<int>(children.size());
        children.push_back(std::move(child));
    };
    if (&node == m_root.get() && m_view == View::ByDisk) {
        for (const DiskSummary &disk : m_catalogue.disks()) {
            auto child = std::make_unique<Node>();
            child->text = QString::fromStdString(disk.label);
            child->disk = disk.id;
            child->isDisk = true;
            add(std::move(child));
        }
        return children;
    }
    const std::optional<std::int64_t> disk = node.disk >= 0 ? std::optional(node.disk) : std::nullopt;
    for (const CatalogueChild &entry : m_catalogue.childrenOf(node.mirrorPath, disk)) {
        auto child = std::make_unique<Node>();
        child->text = QString::fromStdString(entry.name);
        child->mirrorPath = node.mirrorPath.empty() ? entry.name : node.mirrorPath + "/" + entry.name;
        child->disk = node.disk;
        child->folder = entry.folder;
        child->fetched = !entry.folder;
        add(std::move(child));
    }
    return children;
}

RestoreTreeModel::Node *RestoreTreeModel::nodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : m_root.get();
}

std::string RestoreTreeModel::sourcePath(const QModelIndex &index) const
{
    const Node *node = nodeOf(index);
    return node->isDisk ? std::string() : "/" + node->mirrorPath;
}

bool RestoreTreeModel::isFolder(const QModelIndex &index) const
{
    return nodeOf(index)->folder;
}

QModelIndex RestoreTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    const Node *node = nodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(node->children.size()))
        return {};
    return createIndex(row, column, node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex RestoreTreeModel::parent(const QModelIndex &child) const
{
    const Node *node = nodeOf(child);
    if (!child.isValid() || node->parent == m_root.get())
        return {};
    return createIndex(node->parent->row, 0, node->parent);
}

int RestoreTreeModel::rowCount(const QModelIndex &parent) const
{
    return static_cast<int>(nodeOf(parent)->children.size());
}

int RestoreTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant RestoreTreeModel::data(const QModelIndex &index, int role) const
{
    const Node *node = nodeOf(index);
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return node->text;
    if (role == Qt::DecorationRole) {
        const QStyle *style = QApplication::style();
        return style->standardIcon(node->isDisk   ? QStyle::SP_DriveHDIcon
                                   : node->folder ? QStyle::SP_DirIcon
                                                  : QStyle::SP_FileIcon);
    }
    if (role == Qt::ToolTipRole && !node->isDisk)
        return QString::fromStdString(sourcePath(index));
    return {};
}

bool RestoreTreeModel::hasChildren(const QModelIndex &parent) const
{
    const Node *node = nodeOf(parent);
    return node->folder && (!node->fetched || !node->children.empty());
}

bool RestoreTreeModel::canFetchMore(const QModelIndex &parent) const
{
    return !nodeOf(parent)->fetched;
}

void RestoreTreeModel::fetchMore(const QModelIndex &parent)
{
    Node *node = nodeOf(parent);
    if (node->fetched)
        return;
    node->fetched = true;
    auto children = readChildren(*node);
    if (children.empty())
        return;
    beginInsertRows(parent, 0, static_cast<int>(children.size()) - 1);
    node->children = std::move(children);
    endInsertRows();
}

} // namespace quillarc

#include "gui/TStartMenuTreeForm.h"

#include "platform/Folders.h"

#include "gui/Fonts.h"
#include "gui/MemoText.h"
#include "gui/MessageBox.h"
#include "gui/Widgets.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTreeWidget>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace quillarc {

namespace {

const QColor kGreen(0, 128, 0);

QString joinPath(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QPushButton *button(QWidget *parent, const QString &text, const QRect &geometry)
{
    auto *b = new QPushButton(text, parent);
    b->setGeometry(geometry);
    Widgets::useDesktopColours(b);
    return b;
}

} // namespace

TStartMenuTreeForm::TStartMenuTreeForm(QWidget *parent) : OneUseDialog(parent, Widgets::dialogFlags())
{
    setWindowTitle(QStringLiteral("Choose a folder on the Start Menu in which to place the link to this program..."));
    setFixedSize(536, 433);
    setFont(Fonts::sans(13, true));
    // Green text on the light tooltip colour of the design, under any theme.
    Widgets::setBackground(this, Widgets::lightTooltip());
    // Made in the order the focus moves through them.
    buildTexts();
    buildTree();
    buildFolderCommands();
    buildViewHint();
    CollapseButton = button(this, QStringLiteral("Collapse"), QRect(400, 360, 75, 25));
    ExpandButton = button(this, QStringLiteral("Expand"), QRect(400, 392, 75, 25));
    connectCommands();
}

void TStartMenuTreeForm::buildTexts()
{
    Memo1 = new QLabel(this);
    Memo1->setGeometry(16, 16, 497, 65);
    Memo1->setWordWrap(true);
    Memo1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Widgets::setTextColour(Memo1, kGreen);
    const QStringList memoLines {
        QStringLiteral("Choose the folder on the Windows Start menu where you would like to "),
        QStringLiteral("place the link to be used in starting this program.  Click the folder to "),
        QStringLiteral("highlight it blue, and then press the ACCEPT button to create the link."),
    };
    Memo1->setText(memoText(memoLines, QFontMetrics(font()), 497));

    Edit = new QLineEdit(this);
    Edit->setGeometry(16, 88, 513, 24);
    Edit->setReadOnly(true);
    Edit->setFrame(false);
    Edit->setFocusPolicy(Qt::NoFocus);
    Edit->setFont(Fonts::sans(11, true));
    {
        QPalette pal = Edit->palette();
        pal.setColor(QPalette::Base, Widgets::lightTooltip());
        pal.setColor(QPalette::Text, kGreen);
        Edit->setPalette(pal);
    }
}

void TStartMenuTreeForm::buildTree()
{
    TreeView = new QTreeWidget(this);
    TreeView->setGeometry(16, 120, 329, 297);
    TreeView->setHeaderHidden(true);
    TreeView->setIndentation(19);
    TreeView->setFont(Fonts::sans(11, true));
    Widgets::useDesktopColours(TreeView);
    TreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView->setIconSize(QSize(16, 16));

    // Closed folder normally, open folder while selected.
    m_folderIcon.addPixmap(style()->standardPixmap(QStyle::SP_DirClosedIcon).scaled(16, 16), QIcon::Normal);
    m_folderIcon.addPixmap(style()->standardPixmap(QStyle::SP_DirOpenIcon).scaled(16, 16), QIcon::Selected);
}

void TStartMenuTreeForm::buildFolderCommands()
{
    AcceptButton = button(this, QStringLiteral("Accept"), QRect(400, 120, 75, 25));
    CancelButton = button(this, QStringLiteral("Cancel"), QRect(400, 160, 75, 25));
    // Black on the fixed light background, whatever the theme's text colour.
    auto *caption = new QLabel(QStringLiteral("New Folder Name"), this);
    caption->move(360, 208);
    Widgets::setTextColour(caption, Qt::black);
    NewFolderEdit = new QLineEdit(this);
    NewFolderEdit->setGeometry(360, 232, 153, 24);
    NewFolderEdit->setPalette(QPalette());
    // The nine characters a file name may not hold never reach the line.
    NewFolderEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\\\/:*?\"<>|]*")), NewFolderEdit));
    CreateFolderButton = button(this, QStringLiteral("Create New Folder"), QRect(360, 264, 153, 25));
}

void TStartMenuTreeForm::buildViewHint()
{
    // Centred over the two buttons, between the tree and the window's edge,
    // in a size that keeps clear of the edge in any face.
    const QRect column(352, 304, 536 - 352 - 8, 16);
    QFont small = font();
    while (QFontMetrics(small).horizontalAdvance(QStringLiteral("the display to the left")) > column.width() &&
           QFontInfo(small).pixelSize() > 8)
        small.setPixelSize(QFontInfo(small).pixelSize() - 1);
    int top = column.top();
    for (const char *line : {"The buttons below ", "can be used to alter", "the display to the left"}) {
        auto *label = new QLabel(QString::fromLatin1(line), this);
        label->setFont(small);
        Widgets::setTextColour(label, Qt::black);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setGeometry(column.left(), top, column.width(), column.height());
        top += 16;
    }
}

void TStartMenuTreeForm::connectCommands()
{
    connect(TreeView, &QTreeWidget::itemClicked, this, &TStartMenuTreeForm::TreeViewClick);
    // The path line follows the selection also when it moves by keyboard,
    // so it always names the folder Accept will use.
    connect(TreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) {
        if (current)
            showPath(current);
    });
    connect(AcceptButton, &QPushButton::clicked, this, &TStartMenuTreeForm::AcceptButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TStartMenuTreeForm::reject);
    connect(CollapseButton, &QPushButton::clicked, this, &TStartMenuTreeForm::CollapseButtonClick);
    connect(ExpandButton, &QPushButton::clicked, this, &TStartMenuTreeForm::ExpandButtonClick);
    connect(CreateFolderButton, &QPushButton::clicked, this, &TStartMenuTreeForm::CreatenewStartmenuFolder);
    connect(NewFolderEdit, &QLineEdit::returnPressed, this, &TStartMenuTreeForm::CreatenewStartmenuFolder);
    // Enter in the name line creates the folder; it must not accept too.
    AcceptButton->setAutoDefault(false);
    CancelButton->setAutoDefault(false);
    CreateFolderButton->setAutoDefault(false);
    CollapseButton->setAutoDefault(false);
    ExpandButton->setAutoDefault(false);
}

QTreeWidgetItem *TStartMenuTreeForm::addNode(QTreeWidgetItem *parent, const QString &name)
{
    auto *node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TreeView);
    node->setText(0, name);
    node->setIcon(0, m_folderIcon);
    return node;
}

void TStartMenuTreeForm::CreateTreeView(const QString &startMenuFolder)
{
    TreeView->clear();
    QTreeWidgetItem *top = addNode(nullptr, startMenuFolder);
    StartMenuFolderLook(startMenuFolder, top);
    top->setExpanded(true);
    if (top->childCount() > 0)
        top->child(0)->setExpanded(true);
    TreeView->setCurrentItem(top);
    showPath(top);
}

void TStartMenuTreeForm::StartMenuFolderLook(const QString &folder, QTreeWidgetItem *parent)
{
    for (const SubFolder &entry : listSubFolders(folder.toStdString())) {
        const QString name = QString::fromStdString(entry.name);
        QTreeWidgetItem *node = addNode(parent, name);
        // A linked folder is shown but not walked, so a link back up the
        // tree cannot make it endless.
        if (!entry.isLink)
            StartMenuFolderLook(folder + QLatin1Char('/') + name, node);
    }
}

QTreeWidgetItem *TStartMenuTreeForm::root() const
{
    return TreeView->topLevelItem(0);
}

QString TStartMenuTreeForm::relativePath(const QTreeWidgetItem *node) const
{
    QStringList names;
    for (; node && node->parent(); node = node->parent())
        names.prepend(node->text(0));
    return names.join(QLatin1Char('/'));
}

QString TStartMenuTreeForm::fullPath(const QTreeWidgetItem *node) const
{
    if (!root())
        return {};
    const QString relative = relativePath(node);
    return relative.isEmpty() ? root()->text(0) : joinPath(root()->text(0), relative);
}

QTreeWidgetItem *TStartMenuTreeForm::nodeAt(const QString &relative) const
{
    QTreeWidgetItem *node = root();
    if (!node || relative.isEmpty())
        return node;
    for (const QString &name : relative.split(QLatin1Char('/'))) {
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i)
            if (node->child(i)->text(0) == name)
                next = node->child(i);
        if (!next)
            return nullptr;
        node = next;
    }
    return node;
}

QString TStartMenuTreeForm::displayText(const QString &path)
{
    if (path.size() <= 70)
        return path;
    return path.left(35) + QStringLiteral(" ... ") + path.right(33);
}

void TStartMenuTreeForm::showPath(const QTreeWidgetItem *node)
{
    Edit->setText(displayText(fullPath(node)));
}

void TStartMenuTreeForm::TreeViewClick()
{
    QTreeWidgetItem *selected = TreeView->currentItem();
    AcceptButton->setEnabled(selected != nullptr);
    if (!selected) {
        if (root() && root()->childCount() > 0)
            TreeView->setCurrentItem(root()->child(0));
        return;
    }
    showPath(selected);
}

void TStartMenuTreeForm::AcceptButtonClick()
{
    m_subFolder = relativePath(TreeView->currentItem());
    done(Accepted);
}

void TStartMenuTreeForm::CollapseButtonClick()
{
    TreeView->collapseAll();
    QTreeWidgetItem *top = root();
    if (!top)
        return;
    if (top->childCount() > 0)
        top->child(0)->setExpanded(true);
    top->setExpanded(true);
    TreeView->setCurrentItem(top);
    showPath(top);
}

void TStartMenuTreeForm::ExpandButtonClick()
{
    TreeView->expandAll();
    if (QTreeWidgetItem *selected = TreeView->currentItem())
        TreeView->scrollToItem(selected, QAbstractItemView::PositionAtTop);
}

void TStartMenuTreeForm::CreatenewStartmenuFolder()
{
    const QString name = NewFolderEdit->text();
    QTreeWidgetItem *selected = TreeView->currentItem() ? TreeView->currentItem() : root();
    if (name.isEmpty() || !selected)
        return;
    const QString path = joinPath(fullPath(selected), name);
    if (QFileInfo::exists(path))
        return;
    if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0) {
        const int code = errno;
        MessageBox::error(
            this,
            QStringLiteral("Win32 Error.  Code: %1.\n%2").arg(code).arg(QString::fromLocal8Bit(std::strerror(code))));
        return;
    }
    QTreeWidgetItem *node = addNode(selected, name);
    selected->setExpanded(true);
    TreeView->setCurrentItem(node);
    showPath(node);
    TreeView->setFocus();
}

void TStartMenuTreeForm::reject()
{
    done(Cancelled);
}

} // namespace quillarc

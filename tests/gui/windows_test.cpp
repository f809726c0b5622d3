// The Resources window and the two link dialogs, driven through their real
// widgets on temporary folders.
#include "gui/MessageBox.h"
#include "gui/TResourceForm.h"
#include "gui/TStartMenuTreeForm.h"
#include "gui/TStartmenuForm.h"
#include "gui/controls/TRarBar.h"
#include "platform/qt/TSystemProbe.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace quillarc;

namespace {

void writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void clickNode(QTreeWidget *tree, QTreeWidgetItem *node)
{
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}

QStringList childNames(const QTreeWidgetItem *node)
{
    QStringList names;
    for (int i = 0; i < node->childCount(); ++i)
        names << node->child(i)->text(0);
    return names;
}

// A Start Menu folder with Programs/Tools, Games and a dot-folder, and
// desktop and quick-launch folders beside it.
struct LinkFolders {
    QTemporaryDir dir;
    QString startMenu = dir.filePath("applications");
    ShellFolders shell()
    {
        ShellFolders folders;
        folders.desktop = dir.filePath("Desktop").toStdString();
        folders.quickLaunch = startMenu.toStdString();
        folders.startMenu = startMenu.toStdString();
        return folders;
    }
    LinkFolders()
    {
        for (const char *sub :
             {"applications/Programs/Tools", "applications/Games", "applications/.hidden/inner", "Desktop"})
            QDir().mkpath(dir.filePath(sub));
    }
};

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void resourcesFromProbe();
    void resourcesGaugesMatchWindow();

    void treeShowsFoldersWithoutDotFolders();
    void treeAcceptsNestedSubFolder();
    void treeAcceptsRoot();
    void treeCollapseAndExpand();
    void displayRule_data();
    void displayRule();
    void longPathDisplayedShortened();
    void newFolderName();
    void newFolderFailureIsReported();

    void linkOkFollowsCheckBoxes();
    void linkDesktopAndQuickLaunch();
    void linkStartMenuThroughTree();
    void linkWithoutStartMenuFolder();
    void linkCancelCreatesNothing();
};

void WindowsTest::resourcesFromProbe()
{
    QTemporaryDir proc;
    writeFile(proc.filePath("meminfo"),
              "MemTotal:       65536 kB\nMemAvailable:   16384 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n");
    writeFile(proc.filePath("sys/fs/file-nr"), "0\t0\t100\n");       // all free
    writeFile(proc.filePath("loadavg"), "0.1 0.2 0.3 1/100 4242\n"); // tasks at the limit
    writeFile(proc.filePath("sys/kernel/threads-max"), "100\n");
    for (int i = 0; i < 37; ++i)
        writeFile(proc.filePath(QStringLiteral("self/fd/%1").arg(i)), "");
    TSystemProbe::Sources sources;
    sources.procRoot = proc.path().toStdString();
    sources.descriptorLimit = [] { return std::int64_t {100}; };
    TSystemProbe probe(sources, nullptr);
    probe.Refresh();

    TResourceForm form;
    form.setFromProbe(probe);
    QCOMPARE(form.windowTitle(), QStringLiteral("Resources"));
    QCOMPARE(form.MemoryRarBar->Progress(), 75); // 16 MiB of 64 MiB available
    QCOMPARE(form.GDIRarBar->Progress(), 37);    // 63 percent free
    QCOMPARE(form.SystemRarBar->Progress(), 0);
    QCOMPARE(form.UserRarBar->Progress(), 100);
    QCOMPARE(form.LoadRarBar->Progress(), int(probe.Memory().MemoryLoad));
    QCOMPARE(form.LoadRarBar->Progress(), 75);
    for (TRarBar *bar : {form.MemoryRarBar, form.UserRarBar, form.GDIRarBar, form.SystemRarBar, form.LoadRarBar}) {
        QCOMPARE(bar->size(), QSize(60, 180));
        QCOMPARE(bar->ColorScheme(), rcPurpleBlue);
        QVERIFY(bar->ShowPercentage());
    }
    QCOMPARE(form.StaticText1->text(),
             QStringLiteral("  RAM                User                 GDI             System      Memory Load"));
    QCOMPARE(form.StaticText3->text(), QStringLiteral("User, GDI,. and System : amount of computer resources in use"));

    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    form.show();
    QTest::keyClick(&form, Qt::Key_Return);
    QVERIFY(!form.isVisible());
}

void WindowsTest::resourcesGaugesMatchWindow()
{
    // A theme whose buttons are lighter than its windows: the gauges must
    // not stand out as lighter boxes.
    struct Theme {
        const QPalette saved = QApplication::palette();
        Theme()
        {
            QPalette themed = saved;
            themed.setColor(QPalette::Window, QColor(0xEF, 0xF0, 0xF1));
            themed.setColor(QPalette::Button, QColor(0xFC, 0xFC, 0xFC));
            QApplication::setPalette(themed);
        }
        ~Theme() { QApplication::setPalette(saved); }
    } theme;
    TResourceForm form;
    const QImage shot = form.grab().toImage();
    const QColor window = shot.pixelColor(4, 240);
    QCOMPARE(window, QColor(0xFC, 0xFC, 0xFC));
    for (TRarBar *bar : {form.MemoryRarBar, form.LoadRarBar})
        QCOMPARE(shot.pixelColor(bar->geometry().topRight() + QPoint(-1, 1)), window);
}

void WindowsTest::treeShowsFoldersWithoutDotFolders()
{
    LinkFolders folders;
    TStartMenuTreeForm form;
    form.CreateTreeView(folders.startMenu);
    form.show();
    QTreeWidgetItem *root = form.root();
    QCOMPARE(root->text(0), folders.startMenu);
    QCOMPARE(childNames(root), QStringList({"Games", "Programs"}));
    QVERIFY(root->isExpanded());
    QVERIFY(root->child(0)->isExpanded());
    QCOMPARE(childNames(form.nodeAt("Programs")), QStringList({"Tools"}));
    QCOMPARE(form.TreeView->currentItem(), root);
    QCOMPARE(form.Edit->text(), folders.startMenu);
}

void WindowsTest::treeAcceptsNestedSubFolder()
{
    LinkFolders folders;
    TStartMenuTreeForm form;
    form.CreateTreeView(folders.startMenu);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTreeWidgetItem *programs = form.nodeAt("Programs");
    clickNode(form.TreeView, programs);
    QCOMPARE(form.Edit->text(), folders.startMenu + "/Programs");
    programs->setExpanded(true);
    clickNode(form.TreeView, form.nodeAt("Programs/Tools"));
    QCOMPARE(form.Edit->text(), folders.startMenu + "/Programs/Tools");
    QVERIFY(form.AcceptButton->isEnabled());
    QTest::mouseClick(form.AcceptButton, Qt::LeftButton);
    QCOMPARE(form.result(), 255);
    QCOMPARE(form.StartMenuSubFolder(), QStringLiteral("Programs/Tools"));
}

void WindowsTest::treeAcceptsRoot()
{
    LinkFolders folders;
    TStartMenuTreeForm form;
    form.CreateTreeView(folders.startMenu);
    form.show();
    QTest::mouseClick(form.AcceptButton, Qt::LeftButton);
    QCOMPARE(form.result(), 255);
    QCOMPARE(form.StartMenuSubFolder(), QString());

    TStartMenuTreeForm cancelled;
    cancelled.CreateTreeView(folders.startMenu);
    cancelled.show();
    QTest::mouseClick(cancelled.CancelButton, Qt::LeftButton);
    QCOMPARE(cancelled.result(), -1);
}

void WindowsTest::treeCollapseAndExpand()
{
    LinkFolders folders;
    TStartMenuTreeForm form;
    form.CreateTreeView(folders.startMenu);
    form.show();
    QTest::mouseClick(form.ExpandButton, Qt::LeftButton);
    QVERIFY(form.nodeAt("Programs")->isExpanded());
    form.TreeView->setCurrentItem(form.nodeAt("Programs/Tools"));
    QTest::mouseClick(form.CollapseButton, Qt::LeftButton);
    QVERIFY(form.root()->isExpanded());
    QVERIFY(form.nodeAt("Games")->isExpanded()); // the root's first child
    QVERIFY(!form.nodeAt("Programs")->isExpanded());
    QCOMPARE(form.TreeView->currentItem(), form.root());
    QCOMPARE(form.Edit->text(), folders.startMenu);
}

void WindowsTest::displayRule_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("shownLength");
    QTest::newRow("70 whole") << 70 << 70;
    QTest::newRow("71 shortened") << 71 << 73;
    QTest::newRow("100 shortened") << 100 << 73;
}

void WindowsTest::displayRule()
{
    QFETCH(int, length);
    QString path;
    for (int i = 0; i < length; ++i)
        path += QChar('a' + i % 26);
    const QString shown = TStartMenuTreeForm::displayText(path);
    QTEST(int(shown.size()), "shownLength");
    if (length > 70)
        QCOMPARE(shown, path.left(35) + " ... " + path.right(33));
}

void WindowsTest::longPathDisplayedShortened()
{
    LinkFolders folders;
    const QString base = folders.startMenu + "/Programs/";
    const QString name = QString(100 - base.size(), QChar('x'));
    QVERIFY(name.size() > 0);
    QVERIFY(QDir().mkpath(base + name));
    TStartMenuTreeForm form;
    form.CreateTreeView(folders.startMenu);
    form.show();
    form.nodeAt("Programs")->setExpanded(true);
    clickNode(form.TreeView, form.nodeAt("Programs/" + name));
    const QString full = base + name;
    QCOMPARE(full.size(), 100);
    QCOMPARE(form.Edit->text(), full.left(35) + " ... " + full.right(33));
}

void WindowsTest::newFolderName()
{
    LinkFolders folders;
    TStartMenuTreeForm form;
    form.CreateTreeView(folders.startMenu);
    form.show();
    form.TreeView->setCurrentItem(form.nodeAt("Programs"));
    QTest::keyClicks(form.NewFolderEdit, "My\\/:*?\"<>|Apps");
    QCOMPARE(form.NewFolderEdit->text(), QStringLiteral("MyApps"));
    QTest::keyClick(form.NewFolderEdit, Qt::Key_Return);
    QVERIFY(form.isVisible());
    QVERIFY(QFileInfo(folders.startMenu + "/Programs/MyApps").isDir());
    QCOMPARE(form.TreeView->currentItem(), form.nodeAt("Programs/MyApps"));
    QCOMPARE(form.Edit->text(), folders.startMenu + "/Programs/MyApps");
    QCOMPARE(form.NewFolderEdit->text(), QStringLiteral("MyApps"));
    // The same name again under the same folder: nothing happens.
    form.TreeView->setCurrentItem(form.nodeAt("Programs"));
    QTest::mouseClick(form.CreateFolderButton, Qt::LeftButton);
    QCOMPARE(childNames(form.nodeAt("Programs")), QStringList({"Tools", "MyApps"}));
}

void WindowsTest::newFolderFailureIsReported()
{
    LinkFolders folders;
    TStartMenuTreeForm form;
    form.CreateTreeView(folders.startMenu);
    form.show();
    form.NewFolderEdit->setText(QString(300, QChar('n'))); // longer than any file name may be
    MessageBox::Script boxes;
    QTest::mouseClick(form.CreateFolderButton, Qt::LeftButton);
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Error);
    QVERIFY2(shown[0].text.startsWith(QStringLiteral("Win32 Error.  Code: %1.\n").arg(ENAMETOOLONG)),
             qPrintable(shown[0].text));
    QCOMPARE(form.root()->childCount(), 2);
    QVERIFY(form.isVisible());
}

void WindowsTest::linkOkFollowsCheckBoxes()
{
    LinkFolders folders;
    TStartmenuForm form(nullptr, "/opt/quillarc/quillarc", folders.shell());
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("Insert a link onto the Windows Start Menu"));
    QVERIFY(form.StartmenuCheckBox->isChecked());
    QVERIFY(!form.QuicklaunchCheckBox->isChecked());
    QVERIFY(!form.DesktopCheckBox->isChecked());
    QVERIFY(form.OKButton->isEnabled());
    QTest::mouseClick(form.StartmenuCheckBox, Qt::LeftButton);
    QVERIFY(!form.OKButton->isEnabled());
    QTest::mouseClick(form.DesktopCheckBox, Qt::LeftButton);
    QVERIFY(form.OKButton->isEnabled());
    QTest::mouseClick(form.QuicklaunchCheckBox, Qt::LeftButton);
    QTest::mouseClick(form.DesktopCheckBox, Qt::LeftButton);
    QVERIFY(form.OKButton->isEnabled()); // Quick Launch still checked
    QTest::mouseClick(form.QuicklaunchCheckBox, Qt::LeftButton);
    QVERIFY(!form.OKButton->isEnabled());
    QCOMPARE(form.StartmenuCheckBox->text(),
             QStringLiteral("Check  this box to add a link to the Pop up Windows Start Menu"));
}

void WindowsTest::linkDesktopAndQuickLaunch()
{
    LinkFolders folders;
    TStartmenuForm form(nullptr, "/opt/quillarc/quillarc", folders.shell());
    form.show();
    QTest::mouseClick(form.StartmenuCheckBox, Qt::LeftButton);
    QTest::mouseClick(form.DesktopCheckBox, Qt::LeftButton);
    QTest::mouseClick(form.QuicklaunchCheckBox, Qt::LeftButton);
    QTest::mouseClick(form.OKButton, Qt::LeftButton);
    QCOMPARE(form.result(), 255);
    QFile desktop(folders.dir.filePath("Desktop/Quillarc.desktop"));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    QVERIFY(desktop.readAll().contains("/opt/quillarc/quillarc"));
    QVERIFY(QFileInfo::exists(folders.startMenu + "/Quillarc.desktop"));
}

void WindowsTest::linkStartMenuThroughTree()
{
    LinkFolders folders;
    TStartmenuForm form(nullptr, "/opt/quillarc/quillarc", folders.shell());
    form.show();
    bool sawTree = false;
    QTimer::singleShot(0, [&] {
        auto *tree = qobject_cast<TStartMenuTreeForm *>(QApplication::activeModalWidget());
        if (!tree)
            return;
        sawTree = true;
        tree->TreeView->setCurrentItem(tree->nodeAt("Programs/Tools"));
        QTest::mouseClick(tree->AcceptButton, Qt::LeftButton);
    });
    QTest::mouseClick(form.OKButton, Qt::LeftButton);
    QVERIFY(sawTree);
    QCOMPARE(form.result(), 255);
    QVERIFY(QFileInfo::exists(folders.startMenu + "/Programs/Tools/Quillarc.desktop"));
    QVERIFY(!QFileInfo::exists(folders.startMenu + "/Quillarc.desktop"));
}

void WindowsTest::linkWithoutStartMenuFolder()
{
    LinkFolders folders;
    ShellFolders shell = folders.shell();
    shell.startMenu.clear();
    TStartmenuForm form(nullptr, "/opt/quillarc/quillarc", shell);
    form.show();
    QTest::mouseClick(form.DesktopCheckBox, Qt::LeftButton);
    MessageBox::Script boxes;
    QTest::mouseClick(form.OKButton, Qt::LeftButton);
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, QStringLiteral("Windows returned an error when trying to locate the Start Menu directory.  "
                                           "The link to this program was not created."));
    QVERIFY(QFileInfo::exists(folders.dir.filePath("Desktop/Quillarc.desktop")));
    QCOMPARE(form.result(), 255);
}

void WindowsTest::linkCancelCreatesNothing()
{
    LinkFolders folders;
    TStartmenuForm form(nullptr, "/opt/quillarc/quillarc", folders.shell());
    form.show();
    QTest::mouseClick(form.DesktopCheckBox, Qt::LeftButton);
    QTest::keyClick(&form, Qt::Key_Escape);
    QCOMPARE(form.result(), -1);
    QVERIFY(!QFileInfo::exists(folders.dir.filePath("Desktop/Quillarc.desktop")));
}

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"

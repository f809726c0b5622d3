// Renders every window of the program to a PNG for a person to look at.
// Runs only when QUILLARC_SCREENSHOTS names a folder to write into.
#include "FixedClock.h"
#include "engine/DiskFullRules.h"
#include "gui/TDatePickForm.h"
#include "gui/TFullForm.h"
#include "gui/TIncFolderForm.h"
#include "gui/TProgressForm.h"
#include "gui/TResourceForm.h"
#include "gui/TStartMenuTreeForm.h"
#include "gui/TStartmenuForm.h"
#include "platform/simulated/SimulatedVolumeHost.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace quillarc;

class ScreenshotsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void controls();
    void datePick();
    void includeFolders();
    void progress();
    void diskFull();
    void resources();
    void links();

private:
    void save(QWidget &widget, const QString &name);
    QDir out;
};

void ScreenshotsTest::initTestCase()
{
    const QString folder = qEnvironmentVariable("QUILLARC_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("set QUILLARC_SCREENSHOTS to a folder to write the screenshots into");
    QVERIFY(QDir().mkpath(folder));
    out = QDir(folder);
}

void ScreenshotsTest::save(QWidget &widget, const QString &name)
{
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QVERIFY(widget.grab().save(out.filePath(name + ".png")));
}

void ScreenshotsTest::controls()
{
    QWidget window;
    window.resize(420, 200);
    int x = 10;
    for (int progress : {0, 33, 100}) {
        auto *bar = new TRarBar(&window);
        bar->setGeometry(x, 10, 60, 180);
        bar->setProgress(progress);
        x += 70;
    }
    int y = 10;
    for (auto colour : {ccOrange, ccNeonGreen, ccPepermint, ccRose}) {
        auto *button = new TGlossButton(&window);
        button->setGeometry(230, y, 94, 41);
        button->setCustomColor(colour);
        button->setCaption(QStringLiteral("Backup"));
        y += 46;
    }
    auto *disabled = new TGlossButton(&window);
    disabled->setGeometry(330, 10, 57, 25);
    disabled->setCustomColor(ccNeonGreen);
    disabled->setCaption(QStringLiteral("Help"));
    disabled->setEnabled(false);
    save(window, "controls");
    QVERIFY(window.grab().toImage().scaled(840, 400).save(out.filePath("controls-x2.png")));
}

void ScreenshotsTest::datePick()
{
    FixedClock clock(QDateTime(QDate(2002, 12, 27), QTime(15, 4, 9)));
    TDatePickForm form(nullptr, &clock);
    save(form, "date-pick");
}

void ScreenshotsTest::includeFolders()
{
    TIncFolderForm form;
    save(form, "include-folders");
}

void ScreenshotsTest::progress()
{
    TProgressForm form;
    form.TotalRarBar->setProgress(66);
    form.FolderRarBar->setProgress(25);
    save(form, "progress");
}

void ScreenshotsTest::diskFull()
{
    QTemporaryDir dir;
    SimulatedVolumeHost host;
    host.insert("/media/backup/", {dir.path().toStdString() + "/", "BACKUP1", 1 << 20, 0});
    const DiskFullRules rules(host, "/media/backup/", 4096, [](const std::string &) { return true; });
    TFullForm form(rules);
    save(form, "disk-full");
}

void ScreenshotsTest::resources()
{
    TResourceForm form;
    const int values[] = {62, 35, 12, 4, 71};
    TRarBar *bars[] = {form.MemoryRarBar, form.UserRarBar, form.GDIRarBar, form.SystemRarBar, form.LoadRarBar};
    for (int i = 0; i < 5; ++i)
        bars[i]->setProgress(values[i]);
    save(form, "resources");
}

void ScreenshotsTest::links()
{
    QTemporaryDir dir;
    const QString menu = dir.filePath("applications");
    for (const char *sub : {"Accessories", "Development/Editors", "Games", "Office", "System/Tools"})
        QDir().mkpath(menu + "/" + sub);
    ShellFolders folders;
    folders.startMenu = menu.toStdString();
    TStartmenuForm form(nullptr, "/opt/quillarc/quillarc", folders);
    save(form, "links");
    TStartMenuTreeForm tree;
    tree.CreateTreeView(menu);
    tree.TreeView->setCurrentItem(tree.nodeAt("Development/Editors"));
    save(tree, "links-tree");
}

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"

// Renders every window of the program to a PNG for a person to look at.
// Runs only when QUILLARC_SCREENSHOTS names a folder to write into.
#include "FixedClock.h"
#include "DarkPalette.h"
#include "MainWindowRig.h"
#include "gui/MessageBox.h"
#include "gui/mainwindow/LowerCaseEdit.h"
#include "lists/Locale.h"
#include "engine/DiskFullRules.h"
#include "gui/TDatePickForm.h"
#include "gui/TFullForm.h"
#include "platform/FreeSpaceLine.h"
#include "gui/TIncFolderForm.h"
#include "gui/TProgressForm.h"
#include "gui/find/FindDialog.h"
#include "gui/verify/VerifyProgressForm.h"
#include "catalogue/Catalogue.h"
#include "catalogue/DiskLayout.h"
#include "gui/TResourceForm.h"
#include "gui/TStartMenuTreeForm.h"
#include "gui/TStartmenuForm.h"
#include "support/SimulatedVolumeHost.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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
    void mainWindow();
    void findDialog();
    void verifyProgress();
    void darkTheme();

private:
    void save(QWidget &widget, const QString &name);
    QDir out;
    QString suffix;
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
    QVERIFY(widget.grab().save(out.filePath(name + suffix + ".png")));
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
    test::SimulatedVolumeHost host;
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

void ScreenshotsTest::findDialog()
{
    QTemporaryDir dir;
    const std::string program = dir.path().toStdString() + "/";
    {
        Catalogue catalogue(program + std::string(disklayout::kProgramCatalogue));
        const std::int64_t one = catalogue.disk({"BACKUP1", ""});
        const std::int64_t two = catalogue.disk({"BACKUP2", ""});
        catalogue.diskSeen(one, "2026-11-20T090000Z", 0);
        catalogue.diskSeen(two, "2026-12-05T090000Z", 0);
        auto copy = [](const std::string &path, std::int64_t size, std::int64_t seconds) {
            CopyRecord record;
            record.path = path;
            record.size = size;
            record.modifiedNs = seconds * 1'000'000'000;
            record.passStamp = "2026-11-20T090000Z";
            return record;
        };
        catalogue.recordCopy(one, copy("home/ann/Docs/report 2025.ods", 48'213, 1'763'000'000));
        catalogue.recordVersionCopy(one, copy("home/ann/Docs/report 2025.ods", 40'002, 1'760'000'000),
                                    "2026-11-01T080000Z");
        catalogue.recordCopy(two, copy("home/ann/Docs/report 2025.ods", 51'880, 1'764'800'000));
        catalogue.recordCopy(two, copy("home/ann/Work/Quarterly Report.pdf", 2'400'000, 1'764'000'000));
        catalogue.recordCopy(one, copy("home/ann/Music/report_from_the_road.flac", 31'000'000, 1'700'000'000));
    }
    FindDialog dialog(program);
    dialog.PatternEdit->setText(QStringLiteral("report"));
    QVERIFY(QTest::qWaitFor([&] { return dialog.settled(); }, 5000));
    save(dialog, "find");
}

void ScreenshotsTest::verifyProgress()
{
    VerifyProgressForm form(QStringLiteral("BACKUP1"));
    form.setProgress(1234, 4321, QStringLiteral("home/ann/Music/a rather long name of a song.flac"));
    save(form, "verify-progress");
}

void ScreenshotsTest::darkTheme()
{
    // A dark desktop theme: every fixed-colour text must stay legible.
    const QPalette light = QApplication::palette();
    QApplication::setPalette(darkPalette());
    suffix = "-dark";
    datePick();
    progress();
    findDialog();
    verifyProgress();
    resources();
    links();
    mainWindow();
    suffix.clear();
    QApplication::setPalette(light);
}

namespace {

// The Free line of a disk of several terabytes.
void FreeSpaceStatusBarText(TQLForm &window, std::int64_t freeBytes)
{
    window.ui().FreeSpaceStatusBar->setText(QString::fromStdString(freeSpaceLine(freeBytes)));
}

} // namespace

void ScreenshotsTest::mainWindow()
{
    ScopedLocale locale {Locale::unitedStates()};
    MessageBox::Script boxes;
    MainWindowRig rig;
    const QString drive = rig.addDrive("backup", "BACKUP1");
    rig.writeConfig(drive);
    const QString docs = rig.writeSource("Docs/a.txt", "a");
    rig.writeSource("Photos/b.jpg", "b");
    const QString notes = rig.writeSource("notes.txt", "n");
    QFile list(rig.programFolder + "BACKUP1.ini");
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write((QFileInfo(docs).path() + "\r\n12/27/2002 3:04:09 PM\r\n37617.6278819444\r\nYes\r\nT\r\n" + rig.source +
                "/Photos\r\n0/0/0 0:00\r\n0\r\nNo\r\nT\r\n" + notes + "\r\n0/0/0 0:00\r\n0\r\n\r\nF\r\n")
                   .toUtf8());
    list.close();
    TQLForm window(rig.environment());
    window.show();
    window.createProgressForm();
    QVERIFY(QTest::qWaitFor([&] { return window.list().count() == 3; }, 2000));
    window.ui().StatusBarFolder->setText(QStringLiteral("Folder Scan Complete..."));
    window.ui().StatusBar->setText(QStringLiteral("Complete...  12 Files Found and Backed Up"));
    window.ui().filters->extEdit->setText(QStringLiteral("tmp"));
    window.ui().filters->ComboBox->addItem(QStringLiteral(".bak"));
    window.selectIndex(1);
    // The design size, also at scale 2 where the offscreen screen is small.
    window.resize(790, 540);
    save(window, "main-window");
    // Where the keyboard is: the focus frame on a gloss button.
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    window.ui().BackupButton->setFocus(Qt::TabFocusReason);
    save(window, "main-window-keyboard");
    // The commands as a pass leaves them: disabled, and legible.
    window.buttondisable();
    FreeSpaceStatusBarText(window, std::int64_t {4} << 40);
    save(window, "main-window-passing");
    window.buttonenable();
}

QTEST_MAIN(ScreenshotsTest)
#include "screenshots.moc"

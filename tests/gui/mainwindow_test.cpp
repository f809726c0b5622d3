// The real main window, offscreen, on folder media of a simulated host:
// start-up, the medium checks, the list commands, the filter strips, import
// and export, whole passes with STOP, ABORT, a disk change and a close, and
// a restart that reads back what was saved.
#include "GuiTestHelpers.h"
#include "HeldVolumeHost.h"
#include "MainWindowRig.h"
#include "ModalScript.h"
#include "engine/BackupRun.h"
#include "gui/MessageBox.h"
#include "gui/FileDialog.h"
#include "gui/TDatePickForm.h"
#include "gui/TFullForm.h"
#include "gui/TIncFolderForm.h"
#include "gui/TProgressForm.h"
#include "gui/TResourceForm.h"
#include "gui/TStartmenuForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/ContactAddresses.h"
#include "gui/mainwindow/LowerCaseEdit.h"
#include "platform/linux/LinuxVolumeHost.h"
#include "lists/DateTimeText.h"
#include "lists/Locale.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <sys/file.h>

using namespace quillarc;

namespace {

constexpr int kPassTimeoutMs = 30000;

// The date dialog answered with "ALL  FILE TIMES", then (for a folder) the
// first choice of "Include Folders?".
void allFileTimes(ModalScript &script, bool folder)
{
    script.then<TDatePickForm>([](TDatePickForm &form) { click(form.Button3); });
    if (folder)
        script.then<TIncFolderForm>([](TIncFolderForm &form) { click(form.Button1); });
}

struct Window : OpenWindow {
    using OpenWindow::OpenWindow;
    bool waitForPassEnd()
    {
        return QTest::qWaitFor([this] { return !form.BackupRunning(); }, kPassTimeoutMs);
    }
    QString cell(int row, int column) const
    {
        return form.ui().ListView->model()->index(row, column).data().toString();
    }
    bool checked(int row) const
    {
        return form.ui().ListView->model()->index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>() ==
               Qt::Checked;
    }
};

// A folder of `count` small files: enough work that a pass is still busy
// when the test acts on it.
QString manyFiles(MainWindowRig &rig, const QString &folder, int count)
{
    for (int n = 0; n < count; ++n)
        rig.writeSource(QString("%1/f%2.txt").arg(folder).arg(n), QByteArray(64, 'x'));
    return rig.source + "/" + folder;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstRunShowsLinksThenReadMe();
    void wholeRunFromEmptyProgramFolder();
    void restartReadsBackConfigAndList();
    void startWithoutMediumOnlyTellsSo();
    void badConfigNumberIsReportedAndWindowOpens();
    void mediaEvents();
    void listCommands();
    void filterStrips();
    void importAndExport();
    void backupRefusals_data();
    void backupRefusals();
    void stopWhileCopyingFinishesTheItem();
    void stopWhileSizingAborts();
    void abortFromProgressWindow();
    void diskChangeDuringPassHoldsMediaEvents();
    void missedFilesGetOneNotice();
    void closingDuringPassSavesAndEnds();
    void buttonEnableNeedsRoomForTheFirstFour();
    void helpHomePageAndMail();
    void linksAndResourcesRefreshFreeSpace();
    void lowMemoryWarningComesFirst();
    void fontReachesListAndConfig();
    void linkFolderIsItsOwnDrive();

private:
    ScopedLocale m_locale {Locale::unitedStates()};
};

void MainWindowTest::firstRunShowsLinksThenReadMe()
{
    MainWindowRig rig;
    MessageBox::Script boxes;
    ModalScript script;
    bool windowShownWithLinks = true;
    TQLForm *creating = nullptr;
    QElapsedTimer sinceLinks;
    script.then<TStartmenuForm>([&](TStartmenuForm &form) {
        windowShownWithLinks = creating && creating->isVisible();
        click(form.CancelButton);
        sinceLinks.start();
    });
    Window window(rig);
    creating = &window.form;
    QVERIFY(script.done());
    QVERIFY(!windowShownWithLinks);

    // 50 ms after the show the window moves to the top-left corner and,
    // with no drive chosen, says there is no volume.
    QCOMPARE(window.form.pos(), QPoint(0, 0));
    QCOMPARE(texts(boxes.take()), QStringList {"NO BACKUP VOLUME INSERTED"});
    const QSize screen = window.form.screen()->geometry().size();
    QCOMPARE(window.form.size(), QSize(std::min(screen.width() - 10, 790), std::min(screen.height() - 60, 540)));

    // The read-me opens two seconds after the links dialog closed, once.
    QVERIFY(rig.opened.isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return !rig.opened.isEmpty(); }, 4000));
    QVERIFY(sinceLinks.elapsed() >= 1900);
    QCOMPARE(rig.opened, QStringList {rig.dataFolder + "readme.txt"});

    // Laid out: everything enabled but STOP, Import and Export.
    QVERIFY(window.form.ui().BackupButton->isEnabled() && window.form.ui().AddButton->isEnabled());
    QVERIFY(!window.form.ui().StopButton->isEnabled());
    QVERIFY(!window.form.ui().ImportButton->isEnabled() && !window.form.ui().Exportbutton->isEnabled());
    QCOMPARE(window.form.windowTitle(), QStringLiteral("Quillarc V.1.4 June 5th, 2005"));
}

void MainWindowTest::wholeRunFromEmptyProgramFolder()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    const QString docs = rig.writeSource("Docs/a.txt", "alpha").section('/', 0, -2);
    rig.writeSource("Docs/sub/b.txt", "beta");
    const QString single = rig.writeSource("single.txt", "one");

    MessageBox::Script boxes;
    ModalScript script;
    script.then<TStartmenuForm>([](TStartmenuForm &form) { click(form.CancelButton); });
    Window window(rig);
    TQLForm &form = window.form;
    boxes.take();

    // Choosing a folder inside the drive makes its root the backup drive.
    FileDialog::Script files;
    files.answer(drive + "medium");
    click(form.ui().SetCDButton);
    QCOMPARE(form.ui().CDEdit->text(), drive);
    QCOMPARE(form.ui().Edit2->text(), QStringLiteral("BACKUP1"));
    QCOMPARE(texts(boxes.take()), QStringList {"UNKNOWN DISK - ADD FILES OR FOLDERS"});
    QVERIFY(form.ui().ImportButton->isEnabled() && form.ui().Exportbutton->isEnabled() &&
            form.ui().AddButton->isEnabled());
    QCOMPARE(rig.media->watched, QStringList {drive});
    QVERIFY(form.ui().FreeSpaceStatusBar->text().endsWith(" MB"));

    // Add Folder with all file times, sub-folders included: saved at once.
    files.answer(docs);
    allFileTimes(script, true);
    click(form.ui().AddButton);
    QVERIFY(script.done());
    QCOMPARE(form.list().count(), std::size_t {1});
    QCOMPARE(window.cell(0, 1), QStringLiteral("0/0/0 0:00"));
    QCOMPARE(window.cell(0, 2), QStringLiteral("0"));
    QCOMPARE(window.cell(0, 3), QStringLiteral("Yes"));
    QVERIFY(window.checked(0));
    QCOMPARE(rig.programFile("BACKUP1.ini"), record(docs, "Yes", true));

    // Add File gives an unchecked single-file item.
    files.answer(single);
    allFileTimes(script, false);
    click(form.ui().AddFileButton);
    QVERIFY(script.done());
    QCOMPARE(form.list().count(), std::size_t {2});
    QCOMPARE(window.cell(1, 0), single);
    QCOMPARE(window.cell(1, 3), QString());
    QVERIFY(!window.checked(1));
    QCOMPARE(rig.programFile("BACKUP1.ini"), record(docs, "Yes", true) + record(single, "", false));

    // A folder on the backup disk itself is refused with a message: its
    // backup would nest one level deeper on every pass.
    QDir().mkpath(drive + "medium/inside");
    files.answer(drive + "medium/inside");
    click(form.ui().AddButton);
    QCOMPARE(texts(boxes.take()),
             QStringList {"THIS LIES ON THE BACKUP DISK ITSELF.\rA DISK CANNOT HOLD A BACKUP OF ITSELF."});
    QCOMPARE(form.list().count(), std::size_t {2});

    // Ticking its box changes the list only; the pass saves it.
    QVERIFY(form.ui().ListView->model()->setData(form.ui().ListView->model()->index(1, 0), Qt::Checked,
                                                 Qt::CheckStateRole));
    QCOMPARE(rig.programFile("BACKUP1.ini"), record(docs, "Yes", true) + record(single, "", false));

    click(form.ui().BackupButton);
    QVERIFY(form.BackupRunning());
    QVERIFY(form.ui().StopButton->isEnabled() && !form.ui().BackupButton->isEnabled() &&
            !form.ui().ListView->isEnabled());
    QVERIFY(form.ui().filters->ExcludeCheckBox->isEnabled());
    QVERIFY(window.waitForPassEnd());

    QCOMPARE(form.ui().StatusBar->text(), QStringLiteral("Complete...  3 Files Found and Backed Up"));
    QCOMPARE(form.ui().StatusBarFolder->text(), QStringLiteral("Folder Scan Complete..."));
    QVERIFY(!form.progressForm()->isVisible());
    QVERIFY(!form.ui().StopButton->isEnabled() && form.ui().BackupButton->isEnabled() &&
            form.ui().ListView->isEnabled());
    QCOMPARE(form.ui().BackupButton->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(form.ui().StopButton->cursor().shape(), Qt::ForbiddenCursor);
    QVERIFY(boxes.take().isEmpty());

    // The cut-offs moved to the time of the pass and reached the file.
    const QString moved =
        QString::fromStdString(numberText(dateTimeFromTimePoint(rig.clock.now() - std::chrono::seconds(2))));
    QCOMPARE(window.cell(0, 2), moved);
    QCOMPARE(window.cell(1, 2), moved);
    QCOMPARE(rig.programFile("BACKUP1.ini"), record(docs, "Yes", true, moved) + record(single, "", true, moved));
    const QString medium = drive + "medium";
    QVERIFY(QFile::exists(medium + docs + "/sub/b.txt"));
    QVERIFY(QFile::exists(medium + single));

    // Closing saves the config (drive first) and the list.
    QSignalSpy ended(&form, &TQLForm::programEnded);
    click(form.ui().exitButton);
    QCOMPARE(ended.count(), 1);
    QVERIFY(rig.programFile("config").startsWith((drive + "\r\n").toUtf8()));

    // The next start reads back the same drive and list, with no first-run
    // dialog and no message.
    Window again(rig);
    QVERIFY(script.done());
    QCOMPARE(again.form.ui().CDEdit->text(), drive);
    QCOMPARE(again.form.list().count(), std::size_t {2});
    QCOMPARE(again.cell(0, 2), moved);
    QVERIFY(again.checked(0) && again.checked(1));
    QVERIFY(boxes.take().isEmpty());
}

void MainWindowTest::restartReadsBackConfigAndList()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    const QString docs = rig.writeSource("Docs/a.txt", "alpha").section('/', 0, -2);
    const QString single = rig.writeSource("single.txt", "one");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(docs, "No", true, "37617.6278819444") + record(single, "", false));
    MessageBox::Script boxes;
    QByteArray configAfterFirst;
    {
        Window window(rig);
        QCOMPARE(window.form.list().count(), std::size_t {2});
        window.form.ui().filters->ExcludeCheckBox->setChecked(false);
        window.form.resize(700, 500);
        window.form.close();
        configAfterFirst = rig.programFile("config");
    }
    Window again(rig);
    QCOMPARE(again.form.ui().CDEdit->text(), drive);
    QCOMPARE(again.form.ui().Edit2->text(), QStringLiteral("BACKUP1"));
    QVERIFY(!again.form.ui().filters->ExcludeCheckBox->isChecked());
    QCOMPARE(again.form.size(), QSize(700, 500));
    QCOMPARE(again.cell(0, 1), QStringLiteral("12/27/2002 3:04:09 PM"));
    QCOMPARE(again.cell(0, 3), QStringLiteral("No"));
    QVERIFY(again.checked(0) && !again.checked(1));
    again.form.close();
    QCOMPARE(rig.programFile("config"), configAfterFirst);
    QVERIFY(boxes.take().isEmpty());
}

void MainWindowTest::startWithoutMediumOnlyTellsSo()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", QString());
    rig.writeConfig(drive);
    MessageBox::Script boxes;
    Window window(rig);
    QCOMPARE(texts(boxes.take()), QStringList {"NO BACKUP VOLUME INSERTED"});
    // The commands keep their laid-out states.
    QVERIFY(window.form.ui().BackupButton->isEnabled() && window.form.ui().AddButton->isEnabled());
    QVERIFY(!window.form.ui().ImportButton->isEnabled());

    // A disk with no room at all is shown by its label, its list not loaded.
    rig.insert(drive, "FULL");
    rig.host.setFree(drive.toStdString(), 0);
    writeList(rig, "FULL", record(rig.source, "Yes", true));
    click(window.form.ui().IniButton); // no disk was current: the new one is read
    QCOMPARE(window.form.ui().Edit2->text(), QStringLiteral("FULL"));
    QCOMPARE(texts(boxes.take()), QStringList {"NO EMPTY SPACE ON THIS DISK"});
    QCOMPARE(window.form.list().count(), std::size_t {0});
    QVERIFY(window.form.ui().ImportButton->isEnabled());
    QVERIFY(window.form.ui().FreeSpaceStatusBar->text().startsWith("0  |  0 KB  |  0 MB"));
}

void MainWindowTest::badConfigNumberIsReportedAndWindowOpens()
{
    MainWindowRig rig;
    QFile config(rig.programFolder + "config");
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("Choose backup CD\r\n1\r\n99999999999\r\n");
    config.close();
    MessageBox::Script boxes;
    Window window(rig);
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Error);
    QCOMPARE(shown[0].text, QStringLiteral("'99999999999' is not a valid integer value."));
    QCOMPARE(shown[1].text, QStringLiteral("NO BACKUP VOLUME INSERTED"));
    QVERIFY(window.form.isVisible());
}

void MainWindowTest::mediaEvents()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    const QString other = rig.addDrive("other", "OTHER");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    writeList(rig, "BACKUP2", record(rig.source, "No", false));
    MessageBox::Script boxes;
    Window window(rig);
    TQLForm &form = window.form;
    QCOMPARE(form.list().count(), std::size_t {1});

    // Another drive's medium changes nothing; nor does the backup drive
    // spelt in another case (Linux paths are case-sensitive).
    rig.host.eject(other.toStdString());
    rig.mediaEvent(false, other);
    rig.mediaEvent(true, drive.toUpper());
    QVERIFY(!form.ui().SHTimer.isActive());

    // A removal while the drive still reads the same label does nothing.
    rig.mediaEvent(false, drive);
    QVERIFY(form.ui().SHTimer.isActive());
    // The delayed check has run once its timer is no longer due.
    QVERIFY(QTest::qWaitFor([&] { return !form.ui().SHTimer.isActive(); }, 10000));
    QCOMPARE(form.ui().Edit2->text(), QStringLiteral("BACKUP1"));
    QCOMPARE(form.list().count(), std::size_t {1});

    // Out, then back in within the second with another disk: one check,
    // which sees the insertion and loads that disk's list.
    rig.host.eject(drive.toStdString());
    rig.mediaEvent(false, drive);
    rig.insert(drive, "BACKUP2", std::int64_t {1} << 30, "medium2");
    rig.mediaEvent(true, drive);
    QVERIFY(QTest::qWaitFor([&] { return form.ui().Edit2->text() == "BACKUP2"; }, 2000));
    QCOMPARE(window.cell(0, 3), QStringLiteral("No"));
    QVERIFY(form.ui().ImportButton->isEnabled() && form.ui().BackupButton->isEnabled());

    // A removal clears the list and the commands that need a disk.
    rig.host.eject(drive.toStdString());
    rig.mediaEvent(false, drive);
    QVERIFY(QTest::qWaitFor([&] { return form.ui().Edit2->text().isEmpty(); }, 2000));
    QCOMPARE(form.list().count(), std::size_t {0});
    QVERIFY(form.ui().FreeSpaceStatusBar->text().isEmpty());
    for (QWidget *command : QList<QWidget *> {form.ui().BackupButton, form.ui().AddButton, form.ui().AddFileButton,
                                              form.ui().ImportButton, form.ui().Exportbutton})
        QVERIFY(!command->isEnabled());
    QVERIFY(boxes.take().isEmpty());
}

void MainWindowTest::listCommands()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    const QString a = rig.writeSource("A/x.txt", "x").section('/', 0, -2);
    const QString b = rig.writeSource("B/y.txt", "y").section('/', 0, -2);
    const QString file = rig.writeSource("c.txt", "c");
    writeList(rig, "BACKUP1",
              record(a, "Yes", true, "37617.6278819444") + record(b, "No", false) + record(file, "", true));
    MessageBox::Script boxes;
    ModalScript script;
    Window window(rig);
    TQLForm &form = window.form;

    // With nothing selected the menu entries do nothing and ask nothing.
    form.selectIndex(-1);
    form.ui().Remove1->trigger();
    form.ui().SetAlltothisDate1->trigger();
    form.ui().SetDateTime1->trigger();
    QCOMPARE(form.list().count(), std::size_t {3});
    QVERIFY(boxes.take().isEmpty());

    // Cancel leaves list and file alone; Yes copies B's "no cut-off" to all.
    const QByteArray before = rig.programFile("BACKUP1.ini");
    form.selectIndex(1);
    boxes.answer(false);
    form.ui().SetAlltothisDate1->trigger();
    QCOMPARE(rig.programFile("BACKUP1.ini"), before);
    boxes.answer(true);
    form.ui().SetAlltothisDate1->trigger();
    QCOMPARE(texts(boxes.take()), (QStringList {"SET ALL ITEMS TO THIS DATE?", "SET ALL ITEMS TO THIS DATE?"}));
    QCOMPARE(rig.programFile("BACKUP1.ini"), record(a, "Yes", true) + record(b, "No", false) + record(file, "", true));

    // Set Item Options on a single file asks only for the date; on a folder
    // it asks "Include Folders?" too.
    form.selectIndex(2);
    script.then<TDatePickForm>([](TDatePickForm &date) { click(date.Button1); }); // ACCEPT: now
    form.ui().SetDateTime1->trigger();
    QVERIFY(script.done());
    QCOMPARE(window.cell(2, 3), QString());
    QVERIFY(window.cell(2, 2) != "0");
    form.selectIndex(1);
    script.then<TDatePickForm>([](TDatePickForm &date) { click(date.Button3); });
    script.then<TIncFolderForm>([](TIncFolderForm &include) { click(include.Button1); });
    form.ui().SetDateTime1->trigger();
    QVERIFY(script.done());
    QCOMPARE(window.cell(1, 3), QStringLiteral("Yes"));
    QVERIFY(!window.checked(1)); // the check box is not touched

    // Add File cancelled in the date dialog adds and writes nothing.
    const QByteArray saved = rig.programFile("BACKUP1.ini");
    FileDialog::Script files;
    files.answer(file);
    script.then<TDatePickForm>([](TDatePickForm &date) { click(date.Button2); });
    click(form.ui().AddFileButton);
    QVERIFY(script.done());
    QCOMPARE(form.list().count(), std::size_t {3});
    QCOMPARE(rig.programFile("BACKUP1.ini"), saved);

    // Remove asks, then saves.
    form.selectIndex(0);
    boxes.answer(true);
    form.ui().Remove1->trigger();
    QCOMPARE(texts(boxes.take()), QStringList {"REMOVE THIS ITEM FROM THE LIST?"});
    QCOMPARE(form.list().count(), std::size_t {2});
    QVERIFY(!rig.programFile("BACKUP1.ini").startsWith(a.toUtf8()));
}

void MainWindowTest::filterStrips()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    MessageBox::Script boxes;
    Window window(rig);
    TQLForm &form = window.form;
    QCOMPARE(texts(boxes.take()), QStringList {"UNKNOWN DISK - ADD FILES OR FOLDERS"});
    QFile::remove(rig.programFolder + "config");

    // An empty box adds nothing and writes nothing.
    QTest::keyClick(form.ui().filters->extEdit, Qt::Key_Return);
    QVERIFY(!QFile::exists(rig.programFolder + "config"));

    QTest::keyClicks(form.ui().filters->extEdit, "TXT");
    QCOMPARE(form.ui().filters->extEdit->text(), QStringLiteral("txt"));
    QTest::keyClick(form.ui().filters->extEdit, Qt::Key_Return);
    QCOMPARE(form.ui().filters->extEdit->text(), QString());
    QCOMPARE(form.ui().filters->ComboBox->count(), 1);
    QCOMPARE(form.ui().filters->ComboBox->itemText(0), QStringLiteral(".txt"));
    QCOMPARE(form.ui().filters->ComboBox->currentIndex(), -1);
    QVERIFY(rig.programFile("config").endsWith("\r\n.txt\r\n"));

    // The same again adds nothing but still saves.
    QFile::remove(rig.programFolder + "config");
    QTest::keyClicks(form.ui().filters->extEdit, "txt");
    click(form.ui().filters->addextbutton);
    QCOMPARE(form.ui().filters->ComboBox->count(), 1);
    QVERIFY(QFile::exists(rig.programFolder + "config"));

    QTest::keyClicks(form.ui().filters->patternEdit, "~*Tmp");
    click(form.ui().filters->addpatternbutton);
    QCOMPARE(form.ui().filters->ComboBoxP->itemText(0), QStringLiteral("~*tmp"));
    QVERIFY(rig.programFile("config").endsWith("\r\n.txt\r\n~*tmp\r\n"));

    // Removing with nothing selected does nothing; with a selection it saves.
    click(form.ui().filters->removepatternbutton);
    QCOMPARE(form.ui().filters->ComboBoxP->count(), 1);
    form.ui().filters->ComboBoxP->setCurrentIndex(0);
    click(form.ui().filters->removepatternbutton);
    QCOMPARE(form.ui().filters->ComboBoxP->count(), 0);
    QVERIFY(rig.programFile("config").endsWith("\r\n.txt\r\n"));
    QVERIFY(boxes.take().isEmpty());
}

void MainWindowTest::importAndExport()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    const QString a = rig.writeSource("A/x.txt", "x").section('/', 0, -2);
    const QString file = rig.writeSource("c.txt", "c");
    const QByteArray list = record(a, "Yes", true, "37617.6278819444") + record(file, "", false);
    writeList(rig, "BACKUP1", list);
    MessageBox::Script boxes;
    FileDialog::Script files;
    Window window(rig);
    TQLForm &form = window.form;

    // Export writes into the program folder whatever folder was chosen.
    files.answer(rig.temp.filePath("drives/BACKUP2.ini"));
    click(form.ui().Exportbutton);
    QCOMPARE(rig.programFile("BACKUP2.ini"), list);
    QVERIFY(!QFile::exists(rig.temp.filePath("drives/BACKUP2.ini")));
    // A name that is not a list file's gains ".ini": the program's own
    // files cannot be overwritten by an export.
    files.answer(rig.programFolder + "config");
    click(form.ui().Exportbutton);
    QCOMPARE(rig.programFile("config"), QByteArray((drive + "\r\n").toUtf8()));
    QCOMPARE(rig.programFile("config.ini"), list);

    // On another disk, importing that file gives the same items.
    rig.insert(drive, "BACKUP3", std::int64_t {1} << 30, "medium3");
    click(form.ui().IniButton); // the label changed: the disk is forgotten
    QCOMPARE(form.ui().Edit2->text(), QString());
    click(form.ui().IniButton);
    QCOMPARE(form.ui().Edit2->text(), QStringLiteral("BACKUP3"));
    QCOMPARE(texts(boxes.take()), QStringList {"UNKNOWN DISK - ADD FILES OR FOLDERS"});
    QCOMPARE(form.list().count(), std::size_t {0});
    files.answer(rig.programFolder + "BACKUP2.ini");
    click(form.ui().ImportButton);
    QCOMPARE(rig.programFile("BACKUP3.ini"), list);
    QCOMPARE(form.list().count(), std::size_t {2});
    QVERIFY(window.checked(0) && !window.checked(1));

    // A typed name that does not exist is reported and changes nothing.
    files.answer(rig.programFolder + "NOSUCH.ini");
    click(form.ui().ImportButton);
    const auto shown = boxes.take();
    QCOMPARE(shown.last().kind, MessageBox::Kind::Error);
    QCOMPARE(shown.last().text, QStringLiteral("File not found."));
    QCOMPARE(rig.programFile("BACKUP3.ini"), list);
    QCOMPARE(files.titles(),
             (QStringList {"Choose Disk Volume Name for Export", "Choose Disk Volume Name for Export",
                           "Choose INI File to Import for this disk", "Choose INI File to Import for this disk"}));
}

void MainWindowTest::backupRefusals_data()
{
    QTest::addColumn<bool>("withItem");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<qint64>("freeBytes");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("empty list") << false << false << qint64(4096) << QStringList {};
    QTest::newRow("nothing checked") << true << false << qint64(4096)
                                     << QStringList {"NO ITEMS HAVE BEEN CHECKMARKED ON THE BACKUP LIST."};
    QTest::newRow("no free space") << true << true << qint64(0) << QStringList {"NO FREE SPACE ON THIS DISK"};
}

void MainWindowTest::backupRefusals()
{
    QFETCH(bool, withItem);
    QFETCH(bool, checked);
    QFETCH(qint64, freeBytes);
    QFETCH(QStringList, shown);
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    const QString file = rig.writeSource("c.txt", "c");
    writeList(rig, "BACKUP1", withItem ? record(file, "", checked) : QByteArray());
    MessageBox::Script boxes;
    Window window(rig);
    boxes.take();
    window.form.ui().StatusBar->setText(QStringLiteral("old"));
    rig.host.setFree(drive.toStdString(), freeBytes);
    click(window.form.ui().BackupButton);
    QVERIFY(!window.form.BackupRunning());
    QCOMPARE(texts(boxes.take()), shown);
    QCOMPARE(window.form.ui().StatusBar->text(), QString());
    QVERIFY(!window.form.progressForm()->isVisible() && window.form.ui().BackupButton->isEnabled());
    QVERIFY(window.form.ui().FreeSpaceStatusBar->text().startsWith(QString::number(freeBytes) + "  |  "));
}

void MainWindowTest::stopWhileCopyingFinishesTheItem()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    const QString first = manyFiles(rig, "first", 3000);
    const QString second = manyFiles(rig, "second", 10);
    writeList(rig, "BACKUP1", record(first, "Yes", true) + record(second, "Yes", true));
    MessageBox::Script boxes;
    Window window(rig);
    TQLForm &form = window.form;

    click(form.ui().BackupButton);
    const auto copying = [&] {
        const BackupRun *run = form.currentRun();
        return run && !run->state().SizingPhase && run->state().FilesBackedUp > 0;
    };
    QVERIFY(QTest::qWaitFor(copying, kPassTimeoutMs));
    click(form.ui().StopButton);
    QVERIFY(!form.ui().StopButton->isEnabled());
    QCOMPARE(form.ui().StopButton->cursor().shape(), Qt::ForbiddenCursor);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QVERIFY(window.waitForPassEnd());

    QCOMPARE(form.ui().StatusBar->text(), QStringLiteral("Cancelled...  3000 Files Found and Backed Up"));
    QCOMPARE(form.ui().StatusBarFolder->text(), QStringLiteral("Folder Scan Cancelled..."));
    QVERIFY(window.cell(0, 2) != "0");
    QCOMPARE(window.cell(1, 2), QStringLiteral("0"));
    QVERIFY(!QApplication::overrideCursor());
}

void MainWindowTest::stopWhileSizingAborts()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    const QString first = manyFiles(rig, "first", 20);
    writeList(rig, "BACKUP1", record(first, "Yes", true));
    MessageBox::Script boxes;
    // The pass is held as it begins to size the folder, so that STOP lands
    // while it sizes on any machine.
    HeldVolumeHost held(rig.host);
    MainWindowEnvironment env = rig.environment();
    env.host = &held;
    Window window(std::move(env));
    const auto letThePassGo = qScopeGuard([&] { held.release(); });
    click(window.form.ui().BackupButton);
    QVERIFY(QTest::qWaitFor([&] { return held.held(); }, kPassTimeoutMs));
    const PassState &state = window.form.currentRun()->state();
    QVERIFY(state.SizingPhase.isSet());
    click(window.form.ui().StopButton);
    held.release();
    QVERIFY(window.waitForPassEnd());
    QCOMPARE(window.form.ui().StatusBar->text(), QStringLiteral("Aborted...  "));
    QCOMPARE(window.form.ui().StatusBarFolder->text(), QStringLiteral("Folder Scan Aborted..."));
    QCOMPARE(window.cell(0, 2), QStringLiteral("0"));
    QCOMPARE(test::SimulatedVolumeHost::bytesBelow((drive + "medium/").toStdString()), std::int64_t {0});
}

void MainWindowTest::abortFromProgressWindow()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    const QString first = manyFiles(rig, "first", 3000);
    writeList(rig, "BACKUP1", record(first, "Yes", true));
    MessageBox::Script boxes;
    Window window(rig);
    TQLForm &form = window.form;
    click(form.ui().BackupButton);
    QVERIFY(form.progressForm()->isVisible());
    // The progress window sits 20 pixels below the main window's top, flush
    // with its right edge.
    QCOMPARE(form.progressForm()->frameGeometry().top(), form.frameGeometry().top() + 20);
    QCOMPARE(form.progressForm()->frameGeometry().right(), form.frameGeometry().right());
    QVERIFY(QTest::qWaitFor([&] { return form.currentRun() && form.currentRun()->state().FilesBackedUp > 0; },
                            kPassTimeoutMs));
    click(form.progressForm()->AbortButton);
    QVERIFY(window.waitForPassEnd());
    QCOMPARE(form.ui().StatusBar->text(), QStringLiteral("Aborted...  "));
    QCOMPARE(window.cell(0, 2), QStringLiteral("0"));
    QVERIFY(!form.progressForm()->isVisible());
}

void MainWindowTest::diskChangeDuringPassHoldsMediaEvents()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", QString());
    rig.insert(drive, "DISK1", 9000);
    rig.writeConfig(drive);
    QString big;
    for (int n = 0; n < 3; ++n)
        big = rig.writeSource(QString("big/f%1.bin").arg(n), QByteArray(4000, 'x')).section('/', 0, -2);
    writeList(rig, "DISK1", record(big, "Yes", true));
    MessageBox::Script boxes;
    boxes.answer(true); // the room prompt: one formatted disk ready
    ModalScript script;
    Window window(rig);
    TQLForm &form = window.form;

    QString labelDuringPass;
    std::size_t itemsDuringPass = 0;
    script.then<TFullForm>([&](TFullForm &full) {
        // The user swaps disks; the mount watch tells the window at once.
        rig.insert(drive, "DISK2", std::int64_t {1} << 30, "medium2");
        rig.mediaEvent(true, drive);
        // The delayed check comes due while the pass waits.
        QVERIFY2(QTest::qWaitFor([&] { return !form.ui().SHTimer.isActive(); }, 10000), "the delayed check never ran");
        labelDuringPass = form.ui().Edit2->text();
        itemsDuringPass = form.list().count();
        click(full.Button1);
    });
    click(form.ui().BackupButton);
    QVERIFY(window.waitForPassEnd());
    QVERIFY(script.done());
    QCOMPARE(labelDuringPass, QStringLiteral("DISK1"));
    QCOMPARE(itemsDuringPass, std::size_t {1});
    QCOMPARE(form.ui().StatusBar->text(), QStringLiteral("Complete...  3 Files Found and Backed Up"));
    // The pass showed the new label; the held-back check then loaded its
    // list, which the pass had carried over and saved.
    QCOMPARE(form.ui().Edit2->text(), QStringLiteral("DISK2"));
    QCOMPARE(form.list().count(), std::size_t {1});
    QVERIFY(window.cell(0, 2) != "0");
    QVERIFY(rig.programFile("DISK2.ini").startsWith(big.toUtf8()));
}

void MainWindowTest::missedFilesGetOneNotice()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    const QString folder = rig.writeSource("locked/a.txt", "a").section('/', 0, -2);
    writeList(rig, "BACKUP1", record(folder, "Yes", true));
    QFile locked(folder + "/a.txt");
    QVERIFY(locked.open(QIODevice::ReadOnly));
    QVERIFY(::flock(locked.handle(), LOCK_EX) == 0);
    MessageBox::Script boxes;
    Window window(rig);
    click(window.form.ui().BackupButton);
    QVERIFY(window.waitForPassEnd());
    const QStringList shown = texts(boxes.take());
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].startsWith("1 FILES OR FOLDERS COULD NOT BE BACKED UP.\r"), qPrintable(shown[0]));
    QVERIFY(shown[0].endsWith("\r" + rig.programFolder + "quillarc.log"));
    QCOMPARE(window.form.ui().StatusBar->text(), QStringLiteral("Complete...  0 Files Found and Backed Up"));
}

void MainWindowTest::closingDuringPassSavesAndEnds()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    const QString first = manyFiles(rig, "first", 3000);
    writeList(rig, "BACKUP1", record(first, "Yes", true));
    MessageBox::Script boxes;
    Window window(rig);
    TQLForm &form = window.form;
    QSignalSpy ended(&form, &TQLForm::programEnded);
    QFile::remove(rig.programFolder + "config");

    click(form.ui().BackupButton);
    QVERIFY(QTest::qWaitFor([&] { return form.currentRun() && form.currentRun()->state().FilesBackedUp > 0; },
                            kPassTimeoutMs));
    form.close();
    // Both windows vanish at once; the program ends once the pass has.
    QVERIFY(!form.isVisible() && !form.progressForm()->isVisible());
    QCOMPARE(ended.count(), 0);
    QVERIFY(QTest::qWaitFor([&] { return ended.count() == 1; }, kPassTimeoutMs));
    QVERIFY(!form.BackupRunning());
    QVERIFY(rig.programFile("config").startsWith((drive + "\r\n").toUtf8()));
    QCOMPARE(rig.programFile("BACKUP1.ini"), record(first, "Yes", true)); // aborted: cut-off kept
    QVERIFY(boxes.take().isEmpty());
}

void MainWindowTest::buttonEnableNeedsRoomForTheFirstFour()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    MessageBox::Script boxes;
    Window window(rig);
    TQLForm &form = window.form;
    form.buttondisable();
    rig.host.setFree(drive.toStdString(), 0);
    form.buttonenable();
    for (QWidget *command :
         QList<QWidget *> {form.ui().Helpbutton, form.ui().AddButton, form.ui().AddFileButton, form.ui().BackupButton})
        QVERIFY(!command->isEnabled());
    for (QWidget *command :
         QList<QWidget *> {form.ui().exitButton, form.ui().SetCDButton, form.ui().ImportButton, form.ui().Button1,
                           form.ui().RestoreButton, form.ui().ListView, form.ui().filters->extEdit})
        QVERIFY(command->isEnabled());
    QVERIFY(!form.ui().StopButton->isEnabled());
}

void MainWindowTest::helpHomePageAndMail()
{
    MainWindowRig rig;
    rig.writeConfig("Choose backup CD");
    MessageBox::Script boxes;
    Window window(rig);
    click(window.form.ui().Helpbutton);
    click(window.form.ui().Button3);
    click(window.form.ui().EmailButton);
    QCOMPARE(rig.opened, (QStringList {rig.dataFolder + "quillarc.html", QString::fromLatin1(kHomePageUrl),
                                       "mailto:" + QString::fromLatin1(kContactAddress) + "?subject=Quillarc"}));
    // The documents the program ships name the same addresses.
    for (const char *document : {"readme.txt", "quillarc.html"}) {
        QFile file(QStringLiteral(QUILLARC_SOURCE_DIR "/data/") + document);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains(kHomePageUrl) && text.contains(kContactAddress));
        QVERIFY(text.contains(".quillarc-label") && text.contains("quillarc-pass"));
        QVERIFY(QFile::exists(QStringLiteral(QUILLARC_BINARY_DIR "/bin/") + document));
    }
}

void MainWindowTest::linksAndResourcesRefreshFreeSpace()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    MessageBox::Script boxes;
    ModalScript script;
    Window window(rig);
    script.then<TStartmenuForm>([](TStartmenuForm &form) { click(form.CancelButton); });
    script.then<TResourceForm>([](TResourceForm &form) { click(form.Button1); });
    rig.host.setFree(drive.toStdString(), 1048576);
    click(window.form.ui().Button1);
    QCOMPARE(window.form.ui().FreeSpaceStatusBar->text(), QStringLiteral("1048576  |  1024 KB  |  1 MB"));
    rig.host.setFree(drive.toStdString(), 2048);
    click(window.form.ui().RestoreButton);
    QVERIFY(script.done());
    QCOMPARE(window.form.ui().FreeSpaceStatusBar->text(), QStringLiteral("2048  |  2 KB  |  0 MB"));
}

void MainWindowTest::lowMemoryWarningComesFirst()
{
    MainWindowRig rig;
    rig.writeConfig("Choose backup CD");
    rig.freeMemory = 2999999;
    MessageBox::Script boxes;
    Window window(rig);
    const QStringList shown = texts(boxes.take());
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0], QStringLiteral("YOUR SYSTEM IS LOW ON MEMORY.TO ENSURE PROPER OPERATION OF THE PROGRAMTRY "
                                      "CLOSING APPLICATIONS BEFORE RUNNING THE BACKUP OPERATION."));
}

void MainWindowTest::fontReachesListAndConfig()
{
    MainWindowRig rig;
    rig.writeConfig("Choose backup CD");
    MessageBox::Script boxes;
    Window window(rig);
    QFont chosen = window.form.ui().ListView->font();
    chosen.setPixelSize(16);
    chosen.setBold(true);
    rig.fontAnswer = ListFontChoice {chosen, {}};
    click(window.form.ui().button2);
    QCOMPARE(window.form.ui().ListView->font().pixelSize(), 16);
    QVERIFY(window.form.ui().ListView->font().bold());
    window.form.close();
    // Height -16 (written, never applied on load), size 12 points, bold.
    const QList<QByteArray> lines = rig.programFile("config").split('\n');
    QCOMPARE(lines.value(3), QByteArray("-16\r"));
    QCOMPARE(lines.value(5), QByteArray("12\r"));
    QCOMPARE(lines.value(6), QByteArray("T\r"));
}

// On the real machine's host, a folder holding ".quillarc-label" is a backup
// disk of its own: choosing a folder inside it makes it the backup drive.
void MainWindowTest::linkFolderIsItsOwnDrive()
{
    MainWindowRig rig;
    rig.writeConfig("Choose backup CD");
    const QString nas = rig.temp.filePath("nas");
    QDir().mkpath(nas + "/deep/er");
    QFile label(nas + "/.quillarc-label");
    QVERIFY(label.open(QIODevice::WriteOnly));
    label.write("NAS1\n");
    label.close();
    const LinuxVolumeHost host;
    MainWindowEnvironment env = rig.environment();
    env.host = &host;
    env.driveRootFor = [&host](const std::string &folder) { return host.driveRootFor(folder); };
    MessageBox::Script boxes;
    TQLForm form(std::move(env));
    FileDialog::Script files;
    files.answer(nas + "/deep/er");
    click(form.ui().SetCDButton);
    QCOMPARE(form.ui().CDEdit->text(), nas + "/");
    QCOMPARE(form.ui().Edit2->text(), QStringLiteral("NAS1"));
    QCOMPARE(rig.media->watched, QStringList {nas + "/"});
}

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"

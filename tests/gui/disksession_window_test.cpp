// The real main window, offscreen, as a view over the disk in hand: a list
// file is written only with the list read from it, whatever the medium did
// and whenever the window was closed; edits and Backup with no list read
// say why; a disk without a label says how to give it one.
#include "GuiTestHelpers.h"
#include "MainWindowRig.h"
#include "ModalScript.h"
#include "gui/FileDialog.h"
#include "gui/MessageBox.h"
#include "gui/TDatePickForm.h"
#include "gui/TIncFolderForm.h"
#include "gui/controls/TGlossButton.h"
#include "lists/DateTimeText.h"

#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMap>
#include <QTest>
#include <QToolButton>

#include <functional>

using namespace quillarc;

namespace {

/// Every list file in the program folder, by name.
QMap<QString, QByteArray> listFiles(const MainWindowRig &rig)
{
    QMap<QString, QByteArray> files;
    QDirIterator each(rig.programFolder, {QStringLiteral("*.ini")}, QDir::Files);
    while (each.hasNext()) {
        const QString path = each.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            files.insert(QFileInfo(path).fileName(), file.readAll());
    }
    return files;
}

// Two drives and four disks, each disk with a list of its own:
// BACKUP1 in "stick" at start, BACKUP2 and FULL (no room) to put in, and
// "plain" holding a disk without a label.
struct Disks {
    Disks()
    {
        stick = rig.addDrive("stick", "BACKUP1");
        other = rig.addDrive("other", "FULL2");
        rig.host.setFree(other.toStdString(), 0);
        plain = rig.addDrive("plain", QString(""));
        rig.writeConfig(stick);
        docs = rig.writeSource("Docs/a.txt", "alpha").section('/', 0, -2);
        single = rig.writeSource("single.txt", "one");
        writeList(rig, "BACKUP1", record(docs, "Yes", true) + record(single, "", false));
        writeList(rig, "BACKUP2", record(single, "", true, "37617.6278819444"));
        writeList(rig, "FULL", record(docs, "No", false));
        writeList(rig, "FULL2", record(docs, "Yes", false) + record(single, "", true));
        before = listFiles(rig);
    }
    MainWindowRig rig;
    QString stick, other, plain, docs, single;
    QMap<QString, QByteArray> before;
};

void waitFirstCheck(TQLForm &form)
{
    QVERIFY(QTest::qWaitFor([&] { return !form.ui().Timer2.isActive(); }, 5000));
}

// A media event and the delayed check it leads to, without the second's wait.
void mediaCheck(Disks &disks, TQLForm &form, bool inserted, const QString &drive)
{
    disks.rig.mediaEvent(inserted, drive);
    form.ui().SHTimer.stop();
    form.SHTimerTimer();
}

void chooseDrive(TQLForm &form, const QString &folder)
{
    FileDialog::Script files;
    files.answer(folder);
    click(form.ui().SetCDButton);
}

} // namespace

class DiskSessionWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void closedBeforeTheFirstCheckKeepsTheList();
    void fullDiskAtStartThenExitKeepsItsList();
    void choosingAFullDiskNeverTakesThePreviousList();
    void addFolderWithNoDiskIsRefusedWithAReason();
    void everyMediumTransitionThenCloseKeepsEveryListFile();
    void backupWithNoDiskSaysWhyAndNoMinusOne();
    void folderWithoutLabelSaysHowToGiveOne();
    void noVolumeAtStartPutsFocusOnTheDriveButton();
};

void DiskSessionWindowTest::closedBeforeTheFirstCheckKeepsTheList()
{
    Disks disks;
    MessageBox::Script boxes;
    {
        TQLForm form(disks.rig.environment());
        form.show();
        form.createProgressForm();
        QVERIFY(form.ui().Timer2.isActive()); // the list is not read yet
        form.close();
    }
    QCOMPARE(listFiles(disks.rig), disks.before);
}

void DiskSessionWindowTest::fullDiskAtStartThenExitKeepsItsList()
{
    Disks disks;
    disks.rig.insert(disks.stick, "FULL");
    disks.rig.host.setFree(disks.stick.toStdString(), 0);
    MessageBox::Script boxes;
    OpenWindow window(disks.rig.environment());
    TQLForm &form = window.form;
    waitFirstCheck(form);
    QCOMPARE(texts(boxes.take()), QStringList {"NO EMPTY SPACE ON THIS DISK"});
    QCOMPARE(form.ui().Edit2->text(), QStringLiteral("FULL"));
    click(form.ui().exitButton);
    QCOMPARE(listFiles(disks.rig), disks.before);
}

void DiskSessionWindowTest::choosingAFullDiskNeverTakesThePreviousList()
{
    Disks disks;
    MessageBox::Script boxes;
    OpenWindow window(disks.rig.environment());
    TQLForm &form = window.form;
    waitFirstCheck(form);
    QCOMPARE(form.list().count(), std::size_t {2});

    chooseDrive(form, disks.other + "medium");
    QCOMPARE(form.ui().Edit2->text(), QStringLiteral("FULL2"));
    QCOMPARE(texts(boxes.take()), QStringList {"NO EMPTY SPACE ON THIS DISK"});
    // BACKUP1's items are not shown as FULL2's.
    QCOMPARE(form.list().count(), std::size_t {0});
    form.close();
    QCOMPARE(listFiles(disks.rig), disks.before);
}

void DiskSessionWindowTest::addFolderWithNoDiskIsRefusedWithAReason()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(QStringLiteral("Choose backup CD"));
    const QString docs = rig.writeSource("Docs/a.txt", "alpha").section('/', 0, -2);
    MessageBox::Script boxes;
    OpenWindow window(rig.environment());
    TQLForm &form = window.form;
    waitFirstCheck(form);
    QCOMPARE(texts(boxes.take()), QStringList {"NO BACKUP VOLUME INSERTED"});

    ModalScript script;
    script.then<TDatePickForm>([](TDatePickForm &date) { click(date.Button3); });
    script.then<TIncFolderForm>([](TIncFolderForm &include) { click(include.Button1); });
    {
        FileDialog::Script files;
        files.answer(docs);
        click(form.ui().AddButton);
        const QStringList shown = texts(boxes.take());
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains("DRIVE BUTTON"), qPrintable(shown[0]));
        QVERIFY(files.titles().isEmpty()); // refused before any dialog
        QCOMPARE(form.list().count(), std::size_t {0});
    }

    // Once a disk is chosen the same command works and is kept.
    FileDialog::Script files;
    files.answer(drive + "medium");
    click(form.ui().SetCDButton);
    boxes.take();
    files.answer(docs);
    click(form.ui().AddButton);
    QVERIFY(QTest::qWaitFor([&] { return script.done(); }, 5000));
    QCOMPARE(form.list().count(), std::size_t {1});
    QCOMPARE(rig.programFile("BACKUP1.ini"), record(docs, "Yes", true));
}

// Each step of the walk is one transition of the medium; for every prefix
// of the walk a fresh window takes those steps, is closed, and every list
// file must hold what it held (or what the pass wrote into it).
void DiskSessionWindowTest::everyMediumTransitionThenCloseKeepsEveryListFile()
{
    using Step = std::function<void(Disks &, TQLForm &)>;
    const QList<QPair<const char *, Step>> walk {
        {"created", [](Disks &, TQLForm &) {}},
        {"first check", [](Disks &, TQLForm &form) { waitFirstCheck(form); }},
        {"removal",
         [](Disks &disks, TQLForm &form) {
             disks.rig.host.eject(disks.stick.toStdString());
             mediaCheck(disks, form, false, disks.stick);
             QVERIFY(form.ui().Edit2->text().isEmpty());
         }},
        {"disk full inserted",
         [](Disks &disks, TQLForm &form) {
             disks.rig.insert(disks.stick, "FULL", std::int64_t {1} << 30, "full");
             disks.rig.host.setFree(disks.stick.toStdString(), 0);
             mediaCheck(disks, form, true, disks.stick);
             QCOMPARE(form.ui().Edit2->text(), QStringLiteral("FULL"));
         }},
        {"swapped without an event, reload forgets",
         [](Disks &disks, TQLForm &form) {
             disks.rig.insert(disks.stick, "BACKUP2", std::int64_t {1} << 30, "two");
             disks.rig.host.setFree(disks.stick.toStdString(), std::nullopt);
             click(form.ui().IniButton);
             QVERIFY(form.ui().Edit2->text().isEmpty());
         }},
        {"reload reads",
         [](Disks &, TQLForm &form) {
             click(form.ui().IniButton);
             QCOMPARE(form.ui().Edit2->text(), QStringLiteral("BACKUP2"));
             QCOMPARE(form.list().count(), std::size_t {1});
         }},
        {"drive chosen without room",
         [](Disks &disks, TQLForm &form) {
             chooseDrive(form, disks.other + "medium");
             QCOMPARE(form.ui().Edit2->text(), QStringLiteral("FULL2"));
         }},
        {"drive chosen without label",
         [](Disks &disks, TQLForm &form) {
             chooseDrive(form, disks.plain + "medium");
             QVERIFY(form.ui().Edit2->text().isEmpty());
         }},
        {"drive chosen, ready",
         [](Disks &disks, TQLForm &form) {
             chooseDrive(form, disks.stick + "two");
             QCOMPARE(form.ui().Edit2->text(), QStringLiteral("BACKUP2"));
         }},
        {"pass ended",
         [](Disks &disks, TQLForm &form) {
             click(form.ui().BackupButton);
             QVERIFY(QTest::qWaitFor([&] { return !form.BackupRunning(); }, 30000));
             // The pass moved the cut-offs forward and saved them: that is
             // the list the file holds from now on.
             disks.before = listFiles(disks.rig);
             QVERIFY(disks.before.value("BACKUP2.ini") != record(disks.single, "", true, "37617.6278819444"));
         }},
    };
    for (qsizetype last = 0; last < walk.size(); ++last) {
        Disks disks;
        MessageBox::Script boxes;
        {
            TQLForm form(disks.rig.environment());
            form.show();
            form.createProgressForm();
            for (qsizetype step = 0; step <= last; ++step) {
                walk[step].second(disks, form);
                if (QTest::currentTestFailed())
                    QFAIL(walk[step].first);
            }
            form.close();
        }
        const QMap<QString, QByteArray> after = listFiles(disks.rig);
        if (after != disks.before) {
            for (auto each = after.cbegin(); each != after.cend(); ++each)
                if (disks.before.value(each.key()) != each.value())
                    qWarning("%s changed", qPrintable(each.key()));
            QFAIL(qPrintable(QStringLiteral("closed after \"%1\": a list file changed").arg(walk[last].first)));
        }
    }
}

void DiskSessionWindowTest::backupWithNoDiskSaysWhyAndNoMinusOne()
{
    MainWindowRig rig;
    rig.writeConfig(QStringLiteral("Choose backup CD"));
    MessageBox::Script boxes;
    OpenWindow window(rig.environment());
    TQLForm &form = window.form;
    waitFirstCheck(form);
    boxes.take();
    click(form.ui().BackupButton);
    QVERIFY(!form.BackupRunning());
    const QStringList shown = texts(boxes.take());
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].contains("NO BACKUP DRIVE IS CHOSEN"), qPrintable(shown[0]));
    QVERIFY2(!form.ui().FreeSpaceStatusBar->text().contains("-1"), qPrintable(form.ui().FreeSpaceStatusBar->text()));
}

void DiskSessionWindowTest::folderWithoutLabelSaysHowToGiveOne()
{
    Disks disks;
    MessageBox::Script boxes;
    OpenWindow window(disks.rig.environment());
    TQLForm &form = window.form;
    waitFirstCheck(form);
    QVERIFY(form.ui().FreeSpaceStatusBar->text().endsWith(" MB"));
    chooseDrive(form, disks.plain + "medium");
    const QStringList shown = texts(boxes.take());
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].startsWith("DISK HAS NO VOLUME LABEL\r"), qPrintable(shown[0]));
    QVERIFY(shown[0].contains(".quillarc-label") && shown[0].contains(disks.plain));
    // The previous disk's figures are not this one's.
    QVERIFY2(form.ui().FreeSpaceStatusBar->text().isEmpty(), qPrintable(form.ui().FreeSpaceStatusBar->text()));
    QVERIFY(!form.ui().AddButton->isEnabled() && !form.ui().BackupButton->isEnabled());
}

void DiskSessionWindowTest::noVolumeAtStartPutsFocusOnTheDriveButton()
{
    MainWindowRig rig;
    rig.writeConfig(QStringLiteral("Choose backup CD"));
    MessageBox::Script boxes;
    OpenWindow window(rig.environment());
    TQLForm &form = window.form;
    waitFirstCheck(form);
    QCOMPARE(texts(boxes.take()), QStringList {"NO BACKUP VOLUME INSERTED"});
    QCOMPARE(form.focusWidget(), static_cast<QWidget *>(form.ui().SetCDButton));
    // Drawn with the focus mark that keyboard focus gets.
    QVERIFY(form.testAttribute(Qt::WA_KeyboardFocusChange));
    QVERIFY(!form.ui().SetCDButton->styleSheet().isEmpty());
}

QTEST_MAIN(DiskSessionWindowTest)
#include "disksession_window_test.moc"

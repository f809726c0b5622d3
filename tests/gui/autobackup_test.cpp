// The window's side of passes started by a mount: the label field's entry
// that switches them on, and the list kept equal to its file when such a
// pass saves it while the window is open.
#include "MainWindowRig.h"
#include "catalogue/Catalogue.h"
#include "catalogue/DiskLayout.h"
#include "gui/MessageBox.h"
#include "gui/mainwindow/AutoBackupEntry.h"
#include "lists/BackupList.h"
#include "lists/DiskListFile.h"
#include "engine/PassLog.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTableView>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include <chrono>
#include <fstream>

#include <memory>

using namespace quillarc;

namespace {

QAction *entryIn(QMenu &menu)
{
    for (QAction *action : menu.actions())
        if (action->text() == QLatin1String(AutoBackupEntry::kText))
            return action;
    return nullptr;
}

} // namespace

class AutoBackupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void labelFieldMenuSwitchesTheDiskOnAndOff();
    void anUnknownDiskIsNotSwitched();
    void aListSavedByAPassElsewhereReachesTheWindow();
    void anotherDiskIsSwitchedWithoutBeingPluggedIn();
    void theLabelTooltipTellsWhatIsKnownOfTheDiskInHand();
    void theLabelTooltipAddsWhatTheCatalogueKnowsOfTheDisk();
};

void AutoBackupTest::labelFieldMenuSwitchesTheDiskOnAndOff()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    MessageBox::Script boxes;
    OpenWindow window(rig);
    QCOMPARE(window.form.ui().Edit2->text(), QStringLiteral("BACKUP1"));
    QCOMPARE(window.form.ui().Edit2->contextMenuPolicy(), Qt::CustomContextMenu);

    auto *entry = window.form.findChild<AutoBackupEntry *>();
    QVERIFY(entry);
    std::unique_ptr<QMenu> menu(entry->menu());
    QAction *on = entryIn(*menu);
    QVERIFY(on);
    QVERIFY(on->isCheckable() && on->isEnabled() && !on->isChecked());
    QVERIFY2(menu->actions().size() > 2, "the field's usual entries stay");
    on->trigger();
    QCOMPARE(rig.programFile("BACKUP1.auto"), QByteArray("T\r\n"));

    menu.reset(entry->menu());
    QAction *off = entryIn(*menu);
    QVERIFY(off->isChecked());
    off->trigger();
    QCOMPARE(rig.programFile("BACKUP1.auto"), QByteArray("F\r\n"));
    QVERIFY(boxes.take().isEmpty());
}

void AutoBackupTest::anUnknownDiskIsNotSwitched()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "NEWDISK");
    rig.writeConfig(drive);
    MessageBox::Script boxes;
    OpenWindow window(rig);
    boxes.take(); // "UNKNOWN DISK - ADD FILES OR FOLDERS" from the first check
    auto *entry = window.form.findChild<AutoBackupEntry *>();
    std::unique_ptr<QMenu> menu(entry->menu());
    entryIn(*menu)->trigger();
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, QStringLiteral("UNKNOWN DISK - ADD FILES OR FOLDERS"));
    QVERIFY(!QFile::exists(rig.programFolder + "NEWDISK.auto"));

    // Without a disk the entry cannot be chosen.
    rig.host.eject(drive.toStdString());
    rig.mediaEvent(false, drive);
    QVERIFY(QTest::qWaitFor([&] { return window.form.ui().Edit2->text().isEmpty(); }, 5000));
    menu.reset(entry->menu());
    QVERIFY(!entryIn(*menu)->isEnabled());
}

void AutoBackupTest::aListSavedByAPassElsewhereReachesTheWindow()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    MessageBox::Script boxes;
    auto window = std::make_unique<OpenWindow>(rig);
    TQLForm &form = window->form;
    QCOMPARE(form.list().count(), std::size_t {1});

    // A pass started by a mount saves the list with its cut-off moved, as
    // every save does: a new file renamed over the old one.
    BackupList passed;
    const DiskListFile files(rig.programFolder.toStdString());
    QCOMPARE(files.loadItems("BACKUP1", passed), DiskListFile::LoadResult::Loaded);
    passed.setCutOffValue(passed.at(0), 45000.5);
    files.saveItems(DriveRoot(drive.toStdString()), "BACKUP1", passed);
    const QByteArray saved = rig.programFile("BACKUP1.ini");
    QVERIFY(saved.contains("\r\n45000.5\r\n"));

    QVERIFY(QTest::qWaitFor([&] { return form.list().at(0).text(1) == "45000.5"; }, 10000));
    // The window's next save (closing) keeps what the pass saved.
    QSignalSpy ended(&form, &TQLForm::programEnded);
    form.close();
    QVERIFY(QTest::qWaitFor([&] { return !ended.isEmpty(); }, 10000));
    QCOMPARE(rig.programFile("BACKUP1.ini"), saved);
    QVERIFY(boxes.take().isEmpty());
}

void AutoBackupTest::anotherDiskIsSwitchedWithoutBeingPluggedIn()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    writeList(rig, "AWAY1", record(rig.source, "Yes", true));
    QVERIFY(AutoBackupSetting(rig.programFolder.toStdString()).set("AWAY1", true) ==
            AutoBackupSetting::SetResult::Saved);
    MessageBox::Script boxes;
    OpenWindow window(rig);
    rig.host.eject(drive.toStdString());
    rig.mediaEvent(false, drive);
    QVERIFY(QTest::qWaitFor([&] { return window.form.ui().Edit2->text().isEmpty(); }, 5000));

    auto *entry = window.form.findChild<AutoBackupEntry *>();
    std::unique_ptr<QMenu> menu(entry->menu());
    QMenu *others = nullptr;
    for (QAction *action : menu->actions())
        if (action->text() == QLatin1String(AutoBackupEntry::kOthersText))
            others = action->menu();
    QVERIFY(others && others->isEnabled());
    QStringList names;
    for (QAction *action : others->actions())
        names << action->text();
    QCOMPARE(names, (QStringList {"AWAY1", "BACKUP1"}));
    QAction *away = others->actions().at(0);
    QVERIFY(away->isCheckable() && away->isChecked());
    away->trigger();
    QCOMPARE(rig.programFile("AWAY1.auto"), QByteArray("F\r\n"));
    QVERIFY(boxes.take().isEmpty());
}

void AutoBackupTest::theLabelTooltipTellsWhatIsKnownOfTheDiskInHand()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    PassOutcome last;
    last.volumeLabel = "BACKUP1";
    last.end = PassEnd::Complete;
    last.filesCopied = 3;
    const std::string entryText = PassLog::entry(last, std::chrono::system_clock::now());
    std::ofstream(rig.programFolder.toStdString() + PassLog::kFileName) << entryText;
    MessageBox::Script boxes;
    OpenWindow window(rig);
    auto *entry = window.form.findChild<AutoBackupEntry *>();
    const QString date = QString::fromStdString(entryText.substr(0, entryText.find("  label")));
    const QString expected = "BACKUP1\n  last pass: " + date +
                             ", complete, 3 copied, 0 missed\n  backed up when mounted: no\n"
                             "  free space when last seen: not known\n"
                             "  in the catalogue: nothing yet";
    QCOMPARE(entry->statusTip(), expected);

    QLineEdit *field = window.form.ui().Edit2;
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), field->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(field, &help);
    QCOMPARE(QToolTip::text(), expected);
    QVERIFY(boxes.take().isEmpty());
}

void AutoBackupTest::theLabelTooltipAddsWhatTheCatalogueKnowsOfTheDisk()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    {
        Catalogue catalogue(rig.programFolder.toStdString() + std::string(disklayout::kProgramCatalogue));
        const std::int64_t disk = catalogue.disk({"BACKUP1", ""});
        const std::int64_t other = catalogue.disk({"BACKUP2", ""});
        CopyRecord copy;
        copy.path = "home/ann/a.txt";
        copy.size = 2048;
        copy.passStamp = "2026-12-01T100000Z";
        catalogue.recordCopy(disk, copy);
        catalogue.recordCopy(other, copy);
        copy.path = "home/ann/b.txt";
        catalogue.recordCopy(disk, copy);
        catalogue.markVerified(disk, "home/ann/b.txt", "", "2026-12-02T100000Z", true);
    }
    MessageBox::Script boxes;
    OpenWindow window(rig);
    auto *entry = window.form.findChild<AutoBackupEntry *>();
    const QString tip = entry->statusTip();
    QVERIFY2(tip.contains(QStringLiteral("\n  in the catalogue: 2 files, 4.0 KiB\n  last verified: 2026-12-0")),
             qPrintable(tip));
    QVERIFY2(tip.endsWith(QStringLiteral("\n  mismatches found: 1 (quillarc-pass --verify --failed reads them again)")),
             qPrintable(tip));
}

QTEST_MAIN(AutoBackupTest)
#include "autobackup_test.moc"

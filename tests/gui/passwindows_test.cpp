// The windows of a backup pass: the progress window and the disk-full
// dialog, driven through their real widgets.
#include "engine/DiskFullRules.h"
#include "engine/PassState.h"
#include "gui/MessageBox.h"
#include "gui/TFullForm.h"
#include "gui/TProgressForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"
#include "platform/simulated/SimulatedVolumeHost.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <set>

using namespace quillarc;

namespace {

const std::string kDrive = "/media/backup/";

// A drive with one medium and a program folder that knows some labels.
struct DiskFixture {
    QTemporaryDir dir;
    SimulatedVolumeHost host;
    std::set<std::string> listFiles{"BACKUP1"};

    void insert(const std::string &label, std::int64_t freeBytes)
    {
        host.insert(kDrive, {dir.path().toStdString() + "/", label, std::int64_t{1} << 30, freeBytes});
    }
    DiskFullRules rules(std::int64_t needed)
    {
        return DiskFullRules(host, kDrive, needed, [this](const std::string &label) { return listFiles.count(label) > 0; });
    }
};

} // namespace

class PassWindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void progressWindowLayout();
    void progressWindowBesideMainWindow();
    void abortSetsTheFlag();

    void diskFullShowsCurrentVolume();
    void readyRefusals_data();
    void readyRefusals();
    void readyAccepted();
    void cancelNeedsConfirmation();
};

void PassWindowsTest::progressWindowLayout()
{
    TProgressForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Progress"));
    QCOMPARE(form.size(), QSize(183, 156));
    QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(form.StaticText1->text(), QStringLiteral("Scanned"));
    QCOMPARE(form.StaticText2->text(), QStringLiteral("This Folder"));
    QCOMPARE(form.TotalRarBar->geometry(), QRect(24, 24, 60, 80));
    QCOMPARE(form.FolderRarBar->geometry(), QRect(104, 24, 60, 80));
    QCOMPARE(form.AbortButton->geometry(), QRect(46, 120, 83, 25));
    QCOMPARE(form.AbortButton->Caption(), QStringLiteral("ABORT"));
    QCOMPARE(form.AbortButton->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(form.AbortButton->toolTip(),
             QStringLiteral("FORCE PROGRAM STOP.  YOU WILL NEED TO BACKUP THIS FOLDER AGAIN."));
}

void PassWindowsTest::progressWindowBesideMainWindow()
{
    QWidget mainWindow;
    mainWindow.setGeometry(100, 50, 740, 420);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    TProgressForm form(&mainWindow);
    form.FolderRarBar->setProgress(70);
    form.showBeside(&mainWindow);
    QVERIFY(form.isVisible());
    QCOMPARE(form.frameGeometry().right(), mainWindow.frameGeometry().right());
    QCOMPARE(form.frameGeometry().top(), mainWindow.frameGeometry().top() + 20);
    QCOMPARE(form.FolderRarBar->Progress(), 0);
    form.RemoveProgressForm();
    QVERIFY(!form.isVisible());
}

void PassWindowsTest::abortSetsTheFlag()
{
    PassState state;
    TProgressForm form(nullptr, &state.AbortFlag);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy aborted(&form, &TProgressForm::abortRequested);
    QTest::mouseClick(form.AbortButton, Qt::LeftButton, {}, QPoint(41, 12));
    QVERIFY(state.AbortFlag.isSet());
    QCOMPARE(aborted.count(), 1);
}

void PassWindowsTest::diskFullShowsCurrentVolume()
{
    DiskFixture disks;
    disks.insert("BACKUP1", 10);
    const DiskFullRules rules = disks.rules(100);
    TFullForm form(rules);
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("Disk Full"));
    QCOMPARE(form.Label1->text(), QStringLiteral("BACKUP DISK FULL ,  REPLACE WITH FORMATTED DISK"));
    QCOMPARE(form.StaticText1->text(), QStringLiteral("Current Volume  "));
    QCOMPARE(form.VolumeEdit->text(), QStringLiteral("BACKUP1"));
    QCOMPARE(form.Button1->text(), QStringLiteral("READY"));
    QCOMPARE(form.Button2->text(), QStringLiteral("CANCEL"));
    QCOMPARE(form.size(), QSize(536, 159));
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
}

void PassWindowsTest::readyRefusals_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<qint64>("freeBytes");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("full disk still in") << "BACKUP1" << qint64(5000) << "NOT A NEW FORMATTED DISK.";
    QTest::newRow("no label") << "" << qint64(5000) << "DISK HAS NO VOLUME LABEL";
    QTest::newRow("no free space") << "BACKUP2" << qint64(0) << "NO FREE SPACE ON THIS DISK.";
    QTest::newRow("too small") << "BACKUP2" << qint64(99) << "NOT ENOUGH FREE SPACE ON THIS DISK";
}

void PassWindowsTest::readyRefusals()
{
    QFETCH(QString, label);
    QFETCH(qint64, freeBytes);
    DiskFixture disks;
    disks.insert("BACKUP1", 10);
    const DiskFullRules rules = disks.rules(100);
    TFullForm form(rules);
    form.show();
    disks.insert(label.toStdString(), freeBytes); // the user swaps disks

    MessageBox::Script boxes;
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Notice);
    QCOMPARE(shown[0].caption, QStringLiteral("Quillarc"));
    QTEST(shown[0].text.split('\r').first(), "firstLine");
    QVERIFY(form.isVisible());
    QCOMPARE(form.outcome(), DiskFullResult::Cancel);
    QCOMPARE(form.VolumeEdit->text(), label);
}

void PassWindowsTest::readyAccepted()
{
    DiskFixture disks;
    disks.insert("BACKUP1", 10);
    const DiskFullRules rules = disks.rules(100);
    TFullForm form(rules);
    form.show();
    MessageBox::Script boxes;
    QTest::mouseClick(form.Button1, Qt::LeftButton); // refused: same disk
    QVERIFY(form.isVisible());
    disks.insert("BACKUP2", 100); // exactly room for the waiting file
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QCOMPARE(boxes.take().size(), 1);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.outcome(), DiskFullResult::Ready);
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void PassWindowsTest::cancelNeedsConfirmation()
{
    DiskFixture disks;
    disks.insert("BACKUP1", 10);
    const DiskFullRules rules = disks.rules(100);
    TFullForm form(rules);
    form.show();
    MessageBox::Script boxes;
    boxes.answer(false);
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    QVERIFY(form.isVisible());
    boxes.answer(false);
    QTest::keyClick(&form, Qt::Key_Escape); // asks too, never closes silently
    QVERIFY(form.isVisible());
    auto shown = boxes.take();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Confirm);
    QCOMPARE(shown[0].text, QString::fromStdString(DiskFullRules::cancelQuestion()));
    QVERIFY(shown[0].text.endsWith("\r\rCANCEL THE BACKUP?"));

    boxes.answer(true);
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.outcome(), DiskFullResult::Cancel);
}

QTEST_MAIN(PassWindowsTest)
#include "passwindows_test.moc"

// A logout or shutdown (SIGTERM) ends the real window as Exit does, whatever
// is on screen: a notice from the first check, a question from a pass, or a
// pass at work. Nothing the person set is lost and no pass is left half
// recorded.
#include "GuiTestHelpers.h"
#include "MainWindowRig.h"
#include "engine/BackupRun.h"
#include "gui/mainwindow/EndWhenAsked.h"
#include "platform/qt/QuitSignals.h"

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace quillarc;

namespace {

constexpr int kEndTimeoutMs = 30000;

// The signal is sent once a question of this text is on screen.
void terminateWhenAsked(const QString &text)
{
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, text] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && box->text().contains(text)) {
            poll->deleteLater();
            ::raise(SIGTERM);
        }
    });
    poll->start(10);
}

// A window on a disk BACKUP1 with one folder in its list, ended by the
// signals as the program's own window is.
struct EndingWindow {
    explicit EndingWindow(MainWindowRig &rig) : window(rig), form(window.form) { ending.setWindow(&form); }
    QuitSignals quitSignals;
    EndWhenAsked ending {quitSignals};
    OpenWindow window;
    TQLForm &form;
    QSignalSpy ended {&form, &TQLForm::programEnded};
};

} // namespace

class EndWhenAskedTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theFirstRunStepsDoNotKeepTheProgramFromEnding();
    void aNoticeOnScreenDoesNotKeepTheProgramFromEnding();
    void aQuestionFromThePassIsAnsweredAsCancel();
    void aPassAtWorkStopsAfterTheFileInHand();
};

void EndWhenAskedTest::theFirstRunStepsDoNotKeepTheProgramFromEnding()
{
    MainWindowRig rig; // no config: the window starts with its first-run steps
    QuitSignals quitSignals;
    EndWhenAsked ending(quitSignals);
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll] {
        if (QApplication::activeModalWidget()) {
            poll->deleteLater();
            ::raise(SIGTERM);
        }
    });
    poll->start(10);
    TQLForm form(rig.environment());
    ending.setWindow(&form);
    QSignalSpy ended(&form, &TQLForm::programEnded);
    form.show();
    QVERIFY(QTest::qWaitFor([&] { return ended.count() == 1; }, kEndTimeoutMs));
    QVERIFY(quitSignals.hasArrived());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(QFile::exists(rig.programFolder + "config"));
}

void EndWhenAskedTest::aNoticeOnScreenDoesNotKeepTheProgramFromEnding()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", QString()); // no disk: the first check says so
    rig.writeConfig(drive);
    QuitSignals quitSignals;
    EndWhenAsked ending(quitSignals);
    TQLForm form(rig.environment());
    ending.setWindow(&form);
    QFile::remove(rig.programFolder + "config");
    QSignalSpy ended(&form, &TQLForm::programEnded);
    terminateWhenAsked(QStringLiteral("NO BACKUP VOLUME INSERTED"));
    form.show();
    QVERIFY(QTest::qWaitFor([&] { return ended.count() == 1; }, kEndTimeoutMs));
    QVERIFY(quitSignals.hasArrived());
    QVERIFY(!QApplication::activeModalWidget());
    // Closed as Exit closes it: the config (drive first) is written.
    QVERIFY(rig.programFile("config").startsWith((drive + "\r\n").toUtf8()));
}

void EndWhenAskedTest::aQuestionFromThePassIsAnsweredAsCancel()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    rig.writeSource("big/a.bin", QByteArray(64 * 1024, 'a'));
    rig.writeSource("big/b.bin", QByteArray(64 * 1024, 'b'));
    const QByteArray list = record(rig.source + "/big", "Yes", true);
    writeList(rig, "BACKUP1", list);
    EndingWindow ending(rig);
    TQLForm &form = ending.form;
    QSignalSpy &ended = ending.ended;
    rig.host.setFree(drive.toStdString(), 80 * 1024); // the folder needs another disk: the pass asks
    QFile::remove(rig.programFolder + "config");

    terminateWhenAsked(QStringLiteral("FORMATTED DISK"));
    click(form.ui().BackupButton);
    QVERIFY(QTest::qWaitFor([&] { return ended.count() == 1; }, kEndTimeoutMs));
    QVERIFY(!form.BackupRunning());
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(rig.programFile("BACKUP1.ini"), list); // nothing passed: the cut-off stays
    QVERIFY(rig.programFile("config").startsWith((drive + "\r\n").toUtf8()));
}

void EndWhenAskedTest::aPassAtWorkStopsAfterTheFileInHand()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("stick", "BACKUP1");
    rig.writeConfig(drive);
    for (int n = 0; n < 3000; ++n)
        rig.writeSource(QString("many/f%1.txt").arg(n), QByteArray(64, 'x'));
    const QByteArray list = record(rig.source + "/many", "Yes", true);
    writeList(rig, "BACKUP1", list);
    EndingWindow ending(rig);
    TQLForm &form = ending.form;
    QSignalSpy &ended = ending.ended;
    QFile::remove(rig.programFolder + "config");

    click(form.ui().BackupButton);
    QVERIFY(QTest::qWaitFor([&] { return form.currentRun() && form.currentRun()->state().FilesBackedUp > 0; },
                            kEndTimeoutMs));
    ::raise(SIGTERM);
    QVERIFY(QTest::qWaitFor([&] { return ended.count() == 1; }, kEndTimeoutMs));
    QVERIFY(!form.BackupRunning());
    QCOMPARE(rig.programFile("BACKUP1.ini"), list); // stopped: the cut-off stays
    QVERIFY(rig.programFile("config").startsWith((drive + "\r\n").toUtf8()));
}

QTEST_MAIN(EndWhenAskedTest)
#include "endwhenasked_test.moc"

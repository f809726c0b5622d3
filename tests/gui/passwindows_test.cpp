// The windows of a backup pass: the progress window and the disk-full
// dialog, driven through their real widgets.
#include "engine/DiskFullRules.h"
#include "engine/PassState.h"
#include "gui/GuiPassUi.h"
#include "gui/MessageBox.h"
#include "gui/StatusPath.h"
#include "gui/TFullForm.h"
#include "gui/TProgressForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"
#include "support/SimulatedVolumeHost.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <set>
#include <thread>

using namespace quillarc;

namespace {

const std::string kDrive = "/media/backup/";

// A drive with one medium and a program folder that knows some labels.
struct DiskFixture {
    QTemporaryDir dir;
    test::SimulatedVolumeHost host;
    std::set<std::string> listFiles {"BACKUP1"};

    void insert(const std::string &label, std::int64_t freeBytes)
    {
        host.insert(kDrive, {dir.path().toStdString() + "/", label, std::int64_t {1} << 30, freeBytes});
    }
    DiskFullRules rules(std::int64_t needed)
    {
        return DiskFullRules(host, kDrive, needed,
                             [this](const std::string &label) { return listFiles.count(label) > 0; });
    }
};

} // namespace

class PassWindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void progressWindowLayout();
    void progressWindowStartsEachPassWithAnEmptyFolderGauge();
    void abortSetsTheFlag();

    void diskFullShowsCurrentVolume();
    void readyRefusals_data();
    void readyRefusals();
    void readyAccepted();
    void cancelNeedsConfirmation();

    void passQuestionsWaitOnTheWindowThread();
    void passDiskFullDialogFromWorker();
    void passEndedIsDeferred();
    void statusPathShortening();
};

void PassWindowsTest::progressWindowLayout()
{
    TProgressForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.windowTitle(), QStringLiteral("Progress"));
    QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(form.minimumSize(), form.maximumSize()); // a fixed border
    QCOMPARE(form.StaticText1->text(), QStringLiteral("Scanned"));
    QCOMPARE(form.StaticText2->text(), QStringLiteral("This Folder"));
    // Each caption heads its gauge, "Scanned" on the left; ABORT sits below
    // both; nothing is cut off by the window's edge.
    const QRect window = form.rect();
    const std::pair<QLabel *, TRarBar *> columns[] = {{form.StaticText1, form.TotalRarBar},
                                                      {form.StaticText2, form.FolderRarBar}};
    for (auto [caption, gauge] : columns) {
        QVERIFY(caption->isVisible() && gauge->isVisible());
        QVERIFY(window.contains(caption->geometry()) && window.contains(gauge->geometry()));
        QVERIFY(caption->geometry().bottom() < gauge->geometry().top());
        QVERIFY(caption->geometry().left() < gauge->geometry().center().x());
        QVERIFY(caption->geometry().right() > gauge->geometry().left());
        QVERIFY(form.AbortButton->geometry().top() > gauge->geometry().bottom());
    }
    QVERIFY(form.TotalRarBar->geometry().right() < form.FolderRarBar->geometry().left());
    QVERIFY(form.StaticText1->geometry().right() < form.StaticText2->geometry().left());
    QVERIFY(window.contains(form.AbortButton->geometry()));
    QCOMPARE(form.AbortButton->Caption(), QStringLiteral("ABORT"));
    QCOMPARE(form.AbortButton->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(form.AbortButton->toolTip(),
             QStringLiteral("FORCE PROGRAM STOP.  YOU WILL NEED TO BACKUP THIS FOLDER AGAIN."));
}

void PassWindowsTest::progressWindowStartsEachPassWithAnEmptyFolderGauge()
{
    QWidget mainWindow;
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    TProgressForm form(&mainWindow);
    form.FolderRarBar->setProgress(70);
    form.showBeside(&mainWindow);
    QVERIFY(form.isVisible());
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
    QTest::mouseClick(form.AbortButton, Qt::LeftButton, {}, form.AbortButton->rect().center());
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
    QCOMPARE(form.minimumSize(), form.maximumSize()); // a fixed border
    // Only the close box the desktop insists on (it asks like CANCEL).
    QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // The headline over the volume line over READY and CANCEL, every text
    // whole inside the window.
    const QRect window = form.rect();
    for (QWidget *control : {static_cast<QWidget *>(form.Label1), static_cast<QWidget *>(form.StaticText1),
                             static_cast<QWidget *>(form.VolumeEdit), static_cast<QWidget *>(form.Button1),
                             static_cast<QWidget *>(form.Button2)})
        QVERIFY(window.contains(control->geometry()));
    for (QLabel *label : {form.Label1, form.StaticText1})
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width());
    QVERIFY(form.Label1->geometry().bottom() < form.VolumeEdit->geometry().top());
    QCOMPARE(form.StaticText1->geometry().center().y(), form.VolumeEdit->geometry().center().y());
    QVERIFY(form.StaticText1->geometry().right() <= form.VolumeEdit->geometry().left());
    QVERIFY(form.VolumeEdit->geometry().bottom() < form.Button1->geometry().top());
    QVERIFY(form.Button1->geometry().right() < form.Button2->geometry().left());
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

namespace {

// Runs `work` on a worker thread while the window thread keeps its event
// loop going, as during a pass; waits at most 10 seconds.
bool runOnWorker(const std::function<void()> &work)
{
    std::atomic<bool> finished {false};
    std::thread worker([&] {
        work();
        finished = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!finished && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const bool ok = finished;
    if (!ok) // let the worker's blocked call through before giving up on it
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    worker.join();
    return ok;
}

} // namespace

void PassWindowsTest::passQuestionsWaitOnTheWindowThread()
{
    QWidget window;
    TProgressForm progress(&window);
    QThread *windowThread = QThread::currentThread();
    QList<QThread *> threads;
    QStringList statusTexts;
    QString label;
    std::int64_t freeShown = 0;
    GuiPassUi::MainWindowHooks hooks;
    hooks.setStatusText = [&](StatusLine, const QString &text) {
        threads << QThread::currentThread();
        statusTexts << text;
    };
    hooks.showVolumeLabel = [&](const QString &l) { label = l; };
    hooks.showFreeSpace = [&](std::int64_t f) { freeShown = f; };
    GuiPassUi ui(&window, &progress, hooks);
    progress.show();

    // The display half is delivered on the window thread; the questions
    // come from the worker, which waits for them.
    ui.setStatus(StatusLine::Folder, "Scanning .. ", "/home/ann");
    ui.setTotalBar(33);
    ui.setFolderBar(75);
    ui.showVolumeLabel("BACKUP2");
    ui.showFreeSpace(1234);
    MessageBox::Script boxes;
    boxes.answer(true);
    bool answer = false;
    QVERIFY(runOnWorker([&] {
        ui.message("NO ROOM\rON DISK");
        answer = ui.confirm("GO ON?");
        ui.hideProgress();
    }));
    QCOMPARE(threads, QList<QThread *>({windowThread}));
    QCOMPARE(statusTexts, QStringList({"Scanning .. /home/ann"}));
    QCOMPARE(progress.TotalRarBar->Progress(), 33);
    QCOMPARE(progress.FolderRarBar->Progress(), 75);
    QCOMPARE(label, QStringLiteral("BACKUP2"));
    QCOMPARE(freeShown, std::int64_t {1234});
    QVERIFY(answer);
    QVERIFY(!progress.isVisible());
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Notice);
    QCOMPARE(shown[1].kind, MessageBox::Kind::Confirm);
}

void PassWindowsTest::passDiskFullDialogFromWorker()
{
    DiskFixture disks;
    disks.insert("BACKUP1", 10);
    const DiskFullRules rules = disks.rules(100);
    QWidget window;
    GuiPassUi ui(&window, nullptr, {});
    MessageBox::Script boxes;
    // When the dialog is up: READY is refused for the full disk, then a new
    // disk goes in and READY is taken.
    int presses = 0;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        auto *form = qobject_cast<TFullForm *>(QApplication::activeModalWidget());
        if (!form)
            return;
        if (presses == 1)
            disks.insert("BACKUP2", 5000);
        if (presses < 2) {
            ++presses;
            QTest::mouseClick(form->Button1, Qt::LeftButton);
        }
    });
    poll.start(10);
    DiskFullResult result = DiskFullResult::Cancel;
    QVERIFY(runOnWorker([&] { result = ui.diskFull(rules); }));
    QCOMPARE(result, DiskFullResult::Ready);
    QCOMPARE(presses, 2);
    QCOMPARE(boxes.take().size(), 1);
}

void PassWindowsTest::passEndedIsDeferred()
{
    QWidget window;
    int ended = 0;
    QThread *endThread = nullptr;
    GuiPassUi::MainWindowHooks hooks;
    hooks.passEnded = [&] {
        ++ended;
        endThread = QThread::currentThread();
    };
    GuiPassUi ui(&window, nullptr, hooks);
    std::thread worker([&] { ui.passEnded(); });
    worker.join(); // returns without the window thread's help
    QCOMPARE(ended, 0);
    QTRY_COMPARE_WITH_TIMEOUT(ended, 1, 5000);
    QCOMPARE(endThread, QThread::currentThread());
}

void PassWindowsTest::statusPathShortening()
{
    const QFontMetrics metrics(QApplication::font());
    const QString path = "/home/ann/Documents/Projects/2024/report.txt";
    QCOMPARE(shortenPath(path, metrics, 10000), path);
    const int width = metrics.horizontalAdvance("/.../Projects/2024/report.txt");
    QCOMPARE(shortenPath(path, metrics, width), QStringLiteral("/.../Projects/2024/report.txt"));
    QCOMPARE(shortenPath(path, metrics, metrics.horizontalAdvance("/.../report.txt")),
             QStringLiteral("/.../report.txt"));
    QCOMPARE(shortenPath(path, metrics, 5), QStringLiteral(".../report.txt"));

    QWidget line;
    line.resize(metrics.horizontalAdvance("Scanning .. /.../2024/report.txt") + 102, 20);
    line.setFont(QApplication::font());
    QCOMPARE(GuiPassUi::statusText("Scanning .. ", path, PathFit::LineWidthLess100, &line),
             QStringLiteral("Scanning .. /.../2024/report.txt"));
    QCOMPARE(GuiPassUi::statusText("", path, PathFit::Whole, &line), path);
}

QTEST_MAIN(PassWindowsTest)
#include "passwindows_test.moc"

// A whole backup pass on its worker thread, with the window's side of the
// pass on the window thread: progress window, disk-full dialog and message
// boxes are the real widgets, the folders and media real temporary folders.
#include "FixedClock.h"
#include "engine/BackupRun.h"
#include "engine/ExclusionTest.h"
#include "gui/GuiPassUi.h"
#include "gui/MessageBox.h"
#include "gui/TFullForm.h"
#include "gui/TProgressForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"
#include "lists/BackupList.h"
#include "lists/BackupListListener.h"
#include "lists/DateTime.h"
#include "lists/DateTimeText.h"
#include "lists/DiskListFile.h"
#include "lists/Locale.h"
#include "support/SimulatedVolumeHost.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>
#include <future>
#include <memory>

using namespace quillarc;

namespace {

const std::string kDrive = "/media/backup/";
constexpr int kPassTimeoutMs = 10000;

// Hears every change the pass makes to the list, and on which thread.
struct ListWatch : BackupListListener {
    QList<QThread *> threads;
    void listReset() override { threads << QThread::currentThread(); }
    void itemChanged(std::size_t) override { threads << QThread::currentThread(); }
};

// What the main window contributes to a pass: the two status lines, the
// label and free-space fields, the progress window, and the Backup command
// and end-of-pass handler around the worker.
class PassRig {
public:
    PassRig()
    {
        QDir(temp.path()).mkpath("source");
        QDir(temp.path()).mkpath("program");
        source = (temp.path() + "/source").toStdString();
        listFile = std::make_unique<DiskListFile>((temp.path() + "/program/").toStdString());
        firstMedium = newMedium("disk1");
        host.insert(kDrive, {firstMedium, label, std::int64_t {1} << 30, std::nullopt});

        window.setGeometry(100, 50, 740, 420);
        statusBar = new QLabel(&window);
        statusBar->setGeometry(0, 380, 740, 20);
        statusBarFolder = new QLabel(&window);
        statusBarFolder->setGeometry(0, 400, 740, 20);
        edit2 = new QLineEdit(QString::fromStdString(label), &window);
        freeLine = new QLabel(&window);
        window.show();

        GuiPassUi::MainWindowHooks hooks;
        hooks.statusWidget = [this](StatusLine line) -> QWidget * {
            return line == StatusLine::File ? statusBar : statusBarFolder;
        };
        hooks.setStatusText = [this](StatusLine line, const QString &text) {
            (line == StatusLine::File ? statusBar : statusBarFolder)->setText(text);
            if (!progress.isVisible())
                progressHiddenDuringPass = true;
        };
        hooks.showFreeSpace = [this](std::int64_t freeBytes) { freeLine->setText(QString::number(freeBytes)); };
        hooks.showVolumeLabel = [this](const QString &text) { edit2->setText(text); };
        hooks.passEnded = [this] {
            endThread = QThread::currentThread();
            progress.RemoveProgressForm();
            run->finished();
            ++ended;
        };
        ui = std::make_unique<GuiPassUi>(&window, &progress, hooks);
        list.addListener(&watch);
    }

    ~PassRig()
    {
        // A failed check must not leave the worker blocked on this thread:
        // abort, refuse any open dialog, and let the pass run out.
        if (run && run->workerRunning() && !ended) {
            run->abort();
            const bool over = QTest::qWaitFor(
                [this] {
                    if (auto *form = qobject_cast<TFullForm *>(QApplication::activeModalWidget()))
                        form->done(QDialog::Rejected);
                    return ended > 0;
                },
                kPassTimeoutMs);
            if (!over)
                qFatal("the backup pass did not end");
        }
        run.reset();
        list.removeListener(&watch);
    }

    std::string newMedium(const QString &name)
    {
        QDir(temp.path()).mkpath(name);
        return (temp.path() + "/" + name + "/").toStdString();
    }

    void writeFile(const QString &relative, const QByteArray &bytes)
    {
        const QString path = QString::fromStdString(source) + "/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    BackupItem &addItem(const QString &relative, const char *subDir, DateTime cutOff = 0)
    {
        BackupItem &item = list.append(source + "/" + relative.toStdString());
        list.setText(item, TextSubDir, subDir);
        list.setCutOffValue(item, cutOff);
        list.setChecked(item, true);
        return item;
    }

    // The Backup command: checks, flags cleared, bars at 0, worker
    // started, progress window shown and followed.
    void start()
    {
        run = std::make_unique<BackupRun>(
            RunSetup {list, *ui, host, *listFile, clock, filters, DriveRoot(kDrive), label, true, &echo});
        progress.setAbortFlag(&run->state().AbortFlag);
        watch.threads.clear();
        QVERIFY(run->start());
        progress.setItemCount(run->checkedItems());
        progress.showBeside(&window);
        ui->follow(run.get());
    }

    bool waitForEnd()
    {
        return QTest::qWaitFor([this] { return ended > 0; }, kPassTimeoutMs);
    }

    // Runs `act` once, from the event loop, as soon as the disk-full dialog
    // is the modal window: the pass's worker is then waiting for it.
    void whenDiskFull(std::function<void(TFullForm &)> act)
    {
        auto *poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, act = std::move(act)] {
            if (auto *form = qobject_cast<TFullForm *>(QApplication::activeModalWidget())) {
                poll->stop();
                poll->deleteLater();
                act(*form);
            }
        });
        poll->start(10);
    }

    std::string copyOf(const std::string &mediumRoot, const QString &relative) const
    {
        return mediumRoot + source.substr(1) + "/" + relative.toStdString();
    }

    std::string newCutOff() const { return numberText(dateTimeFromTimePoint(clock.now() - std::chrono::seconds(2))); }

    static QByteArray readAll(const std::string &path)
    {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static bool exists(const std::string &path) { return QFileInfo::exists(QString::fromStdString(path)); }

    QTemporaryDir temp;
    ScopedLocale locale {Locale::unitedStates()};
    FixedClock clock {QDateTime(QDate(2024, 5, 17), QTime(14, 30, 0))};
    test::SimulatedVolumeHost host;
    BackupList list;
    ListWatch watch;
    std::unique_ptr<DiskListFile> listFile;
    FileFilters filters;
    std::string source;      ///< no trailing '/'
    std::string firstMedium; ///< ends in '/'
    std::string label = "DISK1";

    QWidget window;
    QLabel *statusBar;
    QLabel *statusBarFolder;
    QLineEdit *edit2;
    QLabel *freeLine;
    TProgressForm progress {&window};
    std::unique_ptr<GuiPassUi> ui;
    std::unique_ptr<BackupRun> run;

    /// Called on the worker for every status text the pass posts, at once.
    std::function<void(StatusLine, const QString &)> onStatus;
    struct Echo final : ProgressDisplay {
        PassRig &rig;
        explicit Echo(PassRig &owner) : rig(owner) {}
        void setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit) override
        {
            if (rig.onStatus)
                rig.onStatus(line, QString::fromStdString(prefix + path));
        }
        void setTotalBar(int) override {}
        void setFolderBar(int) override {}
        void showFreeSpace(std::int64_t) override {}
        void showVolumeLabel(const std::string &) override {}
    } echo {*this};
    bool progressHiddenDuringPass = false;
    int ended = 0;
    QThread *endThread = nullptr;
};

// File name shown on the file line while a copy is in hand; empty for the
// byte totals of a sizing scan and for the outcome.
QString fileInHand(const QString &text)
{
    return text.contains('/') ? QFileInfo(text).fileName() : QString();
}

} // namespace

class PassRunTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void completePass();
    void abortDuringCopy();
    void diskFullReadyOnNewDisk();
    void diskFullCancelConfirmed();
};

void PassRunTest::completePass()
{
    PassRig rig;
    rig.writeFile("docs/a.txt", "alpha");
    rig.writeFile("docs/sub/b.txt", "beta");
    rig.writeFile("notes/n.txt", "note");
    rig.writeFile("notes/deep/skip.txt", "not with sub-folders off");
    rig.writeFile("single.txt", "one file");
    rig.addItem("docs", kSubDirYes);
    rig.addItem("notes", kSubDirNo);
    rig.addItem("single.txt", "");
    BackupItem &unchecked = rig.list.append(rig.source + "/zzz");
    rig.list.setTexts(unchecked, {"0/0/0 0:00", "0", "Yes"});

    QStringList files;
    rig.onStatus = [&](StatusLine line, const QString &text) {
        if (line == StatusLine::File && !fileInHand(text).isEmpty())
            files << fileInHand(text);
    };
    rig.start();
    QVERIFY(rig.progress.isVisible());
    QVERIFY(rig.waitForEnd());

    QCOMPARE(rig.statusBar->text(), QStringLiteral("Complete...  4 Files Found and Backed Up"));
    QCOMPARE(rig.statusBarFolder->text(), QStringLiteral("Folder Scan Complete..."));
    files.sort();
    QCOMPARE(files, QStringList({"a.txt", "b.txt", "n.txt", "single.txt"}));
    QCOMPARE(PassRig::readAll(rig.copyOf(rig.firstMedium, "docs/a.txt")), QByteArray("alpha"));
    QCOMPARE(PassRig::readAll(rig.copyOf(rig.firstMedium, "docs/sub/b.txt")), QByteArray("beta"));
    QCOMPARE(PassRig::readAll(rig.copyOf(rig.firstMedium, "notes/n.txt")), QByteArray("note"));
    QCOMPARE(PassRig::readAll(rig.copyOf(rig.firstMedium, "single.txt")), QByteArray("one file"));
    QVERIFY(!PassRig::exists(rig.copyOf(rig.firstMedium, "notes/deep/skip.txt")));

    // Every checked item carries the time its work began; the list heard
    // of each change on the window thread, never on the worker's.
    for (std::size_t index = 0; index < 3; ++index)
        QCOMPARE(rig.list.at(index).text(TextFloat), rig.newCutOff());
    QCOMPARE(unchecked.text(TextFloat), std::string("0"));
    QCOMPARE(rig.watch.threads.size(), 3);
    for (QThread *thread : rig.watch.threads)
        QCOMPARE(thread, QThread::currentThread());
    QVERIFY(PassRig::readAll(rig.listFile->pathFor("DISK1")).contains(QByteArray::fromStdString(rig.newCutOff())));

    // Two of the three checked items are folders: the total gauge stops at 66.
    QCOMPARE(rig.progress.TotalRarBar->Progress(), 66);
    QVERIFY(!rig.progressHiddenDuringPass);
    QVERIFY(!rig.progress.isVisible());
    QCOMPARE(rig.endThread, QThread::currentThread());
    QVERIFY(!rig.run->workerRunning());
    QCOMPARE(rig.edit2->text(), QStringLiteral("DISK1"));
    QVERIFY(!rig.freeLine->text().isEmpty());
    QCOMPARE(rig.ended, 1);
}

void PassRunTest::abortDuringCopy()
{
    PassRig rig;
    const DateTime oldCutOff = 43831; // 1 January 2020
    rig.writeFile("a/first.txt", "1");
    for (int n = 0; n < 4; ++n)
        rig.writeFile(QString("b/f%1.txt").arg(n), "b");
    rig.writeFile("c/last.txt", "3");
    rig.addItem("a", kSubDirYes, oldCutOff);
    BackupItem &aborted = rig.addItem("b", kSubDirYes, oldCutOff);
    BackupItem &after = rig.addItem("c", kSubDirYes, oldCutOff);
    const std::string oldTexts[2] = {aborted.text(TextDateTime), aborted.text(TextFloat)};

    // ABORT is clicked on the progress window while the second file of "b"
    // is being handed to the copy.
    QStringList shownOfB;
    bool buttonShown = false;
    rig.onStatus = [&](StatusLine line, const QString &text) {
        if (line != StatusLine::File || !text.contains("/b/"))
            return;
        shownOfB << fileInHand(text);
        if (shownOfB.size() == 2) {
            // A real click on the window thread, the worker waiting for it.
            std::promise<void> clicked;
            QMetaObject::invokeMethod(
                &rig.window,
                [&] {
                    buttonShown = rig.progress.isVisible() && rig.progress.AbortButton->isVisible();
                    QTest::mouseClick(rig.progress.AbortButton, Qt::LeftButton, {}, QPoint(41, 12));
                    clicked.set_value();
                },
                Qt::QueuedConnection);
            clicked.get_future().wait();
        }
    };
    rig.start();
    QVERIFY(rig.waitForEnd());

    QVERIFY(buttonShown);
    QCOMPARE(rig.statusBar->text(), QStringLiteral("Aborted...  "));
    QCOMPARE(rig.statusBarFolder->text(), QStringLiteral("Folder Scan Aborted..."));
    // The file in hand was finished; nothing after it was copied.
    QCOMPARE(shownOfB.size(), 2);
    for (int n = 0; n < 4; ++n) {
        const QString name = QString("f%1.txt").arg(n);
        QCOMPARE(PassRig::exists(rig.copyOf(rig.firstMedium, "b/" + name)), shownOfB.contains(name));
    }
    QVERIFY(PassRig::exists(rig.copyOf(rig.firstMedium, "a/first.txt")));
    QVERIFY(!PassRig::exists(rig.copyOf(rig.firstMedium, "c/last.txt")));

    QCOMPARE(rig.list.at(0).text(TextFloat), rig.newCutOff());
    QCOMPARE(aborted.text(TextDateTime), oldTexts[0]);
    QCOMPARE(aborted.text(TextFloat), oldTexts[1]);
    QCOMPARE(after.text(TextFloat), oldTexts[1]);
    QCOMPARE(rig.progress.TotalRarBar->Progress(), 66); // "c" was never sized
    QVERIFY(!rig.progress.isVisible());
    QVERIFY(!rig.run->workerRunning());
}

namespace {

// A folder of three 4000-byte files on a first disk with room for two, then
// a folder of one file. The room prompt is answered Yes.
void fillFirstDisk(PassRig &rig)
{
    for (int n = 0; n < 3; ++n)
        rig.writeFile(QString("big/f%1.bin").arg(n), QByteArray(4000, 'x'));
    rig.writeFile("later/l.txt", "later");
    rig.addItem("big", kSubDirYes);
    rig.addItem("later", kSubDirYes);
    rig.host.insert(kDrive, {rig.firstMedium, "DISK1", 9000, std::nullopt});
    // The disk's list was saved before the pass, as every edit saves it.
    QVERIFY(rig.listFile->saveItems(DriveRoot(kDrive), "DISK1", rig.list));
}

} // namespace

void PassRunTest::diskFullReadyOnNewDisk()
{
    PassRig rig;
    fillFirstDisk(rig);
    const QByteArray firstDiskList = PassRig::readAll(rig.listFile->pathFor("DISK1"));
    const std::string secondMedium = rig.newMedium("disk2");

    MessageBox::Script boxes;
    boxes.answer(true); // room prompt
    QString volumeShown;
    bool progressShownWithDialog = false;
    bool stayedForFullDisk = false;
    rig.whenDiskFull([&](TFullForm &form) {
        volumeShown = form.VolumeEdit->text();
        progressShownWithDialog = rig.progress.isVisible();
        QTest::mouseClick(form.Button1, Qt::LeftButton); // the full disk is still in
        stayedForFullDisk = form.isVisible();
        rig.host.insert(kDrive, {secondMedium, "DISK2", std::int64_t {1} << 30, std::nullopt});
        QTest::mouseClick(form.Button1, Qt::LeftButton);
    });
    // The new disk's list file as it stands once the pass has moved on to
    // the next item: the snapshot taken when the disk filled up.
    QByteArray snapshot;
    rig.onStatus = [&](StatusLine line, const QString &text) {
        if (line == StatusLine::Folder && text.startsWith("Scanning .. ") && text.endsWith("/later"))
            snapshot = PassRig::readAll(rig.listFile->pathFor("DISK2"));
    };
    rig.start();
    QVERIFY(rig.waitForEnd());

    QCOMPARE(volumeShown, QStringLiteral("DISK1"));
    QVERIFY(progressShownWithDialog);
    QVERIFY(stayedForFullDisk);
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Confirm);
    QVERIFY(shown[0].text.endsWith("\r\rONE FORMATTED DISK READY?"));
    QCOMPARE(shown[1].kind, MessageBox::Kind::Notice);
    QVERIFY(shown[1].text.startsWith("NOT A NEW FORMATTED DISK.\r"));

    QCOMPARE(rig.statusBar->text(), QStringLiteral("Complete...  4 Files Found and Backed Up"));
    QCOMPARE(rig.statusBarFolder->text(), QStringLiteral("Folder Scan Complete..."));
    QCOMPARE(rig.edit2->text(), QStringLiteral("DISK2"));
    // Two files went to the first disk, the third to the new one, and the
    // next item too; nothing was copied twice.
    int onFirst = 0;
    for (int n = 0; n < 3; ++n) {
        const QString name = QString("big/f%1.bin").arg(n);
        const bool first = PassRig::exists(rig.copyOf(rig.firstMedium, name));
        QVERIFY(first != PassRig::exists(rig.copyOf(secondMedium, name)));
        onFirst += first;
    }
    QCOMPARE(onFirst, 2);
    QCOMPARE(PassRig::readAll(rig.copyOf(secondMedium, "later/l.txt")), QByteArray("later"));

    // The snapshot holds the cut-offs from before the pass; the end of the
    // pass writes the moved ones under the new label. The full disk's file
    // keeps what it held.
    QCOMPARE(snapshot, firstDiskList);
    const QByteArray secondDiskList = PassRig::readAll(rig.listFile->pathFor("DISK2"));
    QCOMPARE(secondDiskList.count(QByteArray::fromStdString("\r\n" + rig.newCutOff() + "\r\n")), 2);
    QCOMPARE(PassRig::readAll(rig.listFile->pathFor("DISK1")), firstDiskList);
    QVERIFY(!rig.progress.isVisible());
}

void PassRunTest::diskFullCancelConfirmed()
{
    PassRig rig;
    fillFirstDisk(rig);

    MessageBox::Script boxes;
    boxes.answer(true);  // room prompt
    boxes.answer(false); // first CANCEL: not confirmed
    boxes.answer(true);  // second CANCEL: confirmed
    bool stayedUnconfirmed = false;
    rig.whenDiskFull([&](TFullForm &form) {
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        stayedUnconfirmed = form.isVisible();
        QTest::mouseClick(form.Button2, Qt::LeftButton);
    });
    rig.start();
    QVERIFY(rig.waitForEnd());

    QVERIFY(stayedUnconfirmed);
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 3);
    QVERIFY(shown[2].text.endsWith("CANCEL THE BACKUP?"));
    QCOMPARE(rig.statusBar->text(), QStringLiteral("Error Writing to Disk...  2 Files Found and Backed Up"));
    QCOMPARE(rig.statusBarFolder->text(), QStringLiteral("Folder Scan Cancelled..."));
    QCOMPARE(rig.list.at(0).text(TextFloat), std::string("0"));
    QCOMPARE(rig.list.at(1).text(TextFloat), std::string("0"));
    QVERIFY(!PassRig::exists(rig.copyOf(rig.firstMedium, "later/l.txt")));
    QCOMPARE(rig.edit2->text(), QStringLiteral("DISK1"));
    QVERIFY(!rig.progress.isVisible());
    QVERIFY(!rig.run->workerRunning());
}

QTEST_MAIN(PassRunTest)
#include "passrun_test.moc"

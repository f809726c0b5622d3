// The window as a person lives with it over days: the word that passes on
// mount need the watch, a Free line that follows the disk, one look for the
// list's header and one kind of box for a refused edit, a window that comes
// back after it was destroyed from outside, and a remembered place that an
// early close does not lose.
#include "GuiTestHelpers.h"
#include "HeldVolumeHost.h"
#include "MainWindowRig.h"
#include "gui/MessageBox.h"
#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/AutoBackupEntry.h"
#include "gui/mainwindow/MountWatchPresence.h"
#include "lists/ProgramConfig.h"
#include "platform/FreeSpaceLine.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QTableView>
#include <QTest>
#include <QWindow>

#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

using namespace quillarc;

namespace {

constexpr int kPassTimeoutMs = 30000;

ProgramConfig savedConfig(MainWindowRig &rig)
{
    ProgramConfig config;
    LoadPConfigFile((rig.programFolder + "config").toStdString(), config);
    return config;
}

QAction *autoBackupEntry(QMenu &menu)
{
    for (QAction *action : menu.actions())
        if (action->text() == QLatin1String(AutoBackupEntry::kText))
            return action;
    return nullptr;
}

// A process folder as /proc shows one: its command line, NUL-separated.
void fakeProcess(const QString &proc, int pid, const QStringList &arguments)
{
    const QString folder = proc + "/" + QString::number(pid);
    QDir().mkpath(folder);
    QFile file(folder + "/cmdline");
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (const QString &argument : arguments)
        file.write(argument.toUtf8() + '\0');
}

} // namespace

class WindowLifeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backingUpOnMountSaysHowToStartTheWatch();
    void theWatchIsFoundInTheProcessTable_data();
    void theWatchIsFoundInTheProcessTable();
    void freeLineFollowsTheDisk();
    void freeLineFollowsTheDiskDuringAPass();
    void listHeaderTakesTheListFontAtStart();
    void aRefusedEditIsANoticeFromEveryCommand();
    void aWindowDestroyedFromOutsideComesBack();
    void aCloseBeforeTheFirstCheckKeepsTheSavedPlace();
};

void WindowLifeTest::backingUpOnMountSaysHowToStartTheWatch()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    bool watchRuns = false;
    MainWindowEnvironment env = rig.environment();
    env.mountWatchRunning = [&watchRuns] { return watchRuns; };
    MessageBox::Script boxes;
    OpenWindow window(std::move(env));
    auto *entry = window.form.findChild<AutoBackupEntry *>();
    QVERIFY(entry);
    const auto choose = [&](bool on) {
        std::unique_ptr<QMenu> menu(entry->menu());
        QAction *action = autoBackupEntry(*menu);
        QVERIFY(action && action->isChecked() != on);
        action->trigger();
    };

    choose(true);
    QList<MessageBox::Shown> shown = boxes.take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Notice);
    QVERIFY2(shown[0].text.contains("systemctl --user enable --now quillarc-watch.service") &&
                 shown[0].text.contains("quillarc-pass --watch"),
             qPrintable(shown[0].text));
    QCOMPARE(rig.programFile("BACKUP1.auto"), QByteArray("T\r\n")); // the choice is kept all the same

    choose(false); // switching off needs no watch
    QVERIFY(boxes.take().isEmpty());
    watchRuns = true;
    choose(true);
    QVERIFY(boxes.take().isEmpty());
}

void WindowLifeTest::theWatchIsFoundInTheProcessTable_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("found");
    const QString here = QStringLiteral("@HERE@");
    QTest::newRow("nothing runs") << QStringList {} << false;
    QTest::newRow("the watch") << QStringList {"/usr/bin/quillarc-pass", "--watch"} << true;
    QTest::newRow("a pass, not the watch") << QStringList {"/usr/bin/quillarc-pass", "--auto", "on"} << false;
    QTest::newRow("the watch of this folder")
        << QStringList {"quillarc-pass", "--program-folder", here, "--watch"} << true;
    QTest::newRow("the watch of another folder")
        << QStringList {"quillarc-pass", "--program-folder", "/nowhere/else", "--watch"} << false;
    QTest::newRow("another program's --watch") << QStringList {"/usr/bin/inotifywait", "--watch"} << false;
}

void WindowLifeTest::theWatchIsFoundInTheProcessTable()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, found);
    QTemporaryDir temp;
    const QString proc = temp.filePath("proc");
    const QString folder = temp.filePath("program");
    QDir().mkpath(folder);
    QDir().mkpath(proc + "/self");
    fakeProcess(proc, 1, {"/sbin/init"});
    if (!arguments.isEmpty())
        fakeProcess(proc, 4242, arguments.replaceInStrings("@HERE@", folder + "/"));
    QCOMPARE(mountWatchRunning(folder.toStdString(), proc.toStdString()), found);
}

void WindowLifeTest::freeLineFollowsTheDisk()
{
    // Another program (a pass from a timer, a copy by hand) fills the disk
    // while the window stands open.
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    MessageBox::Script boxes;
    OpenWindow window(rig);
    const QString before = window.form.ui().FreeSpaceStatusBar->text();
    QVERIFY(!before.isEmpty());
    rig.host.setFree(drive.toStdString(), std::int64_t {1} << 20);
    const QString after = QString::fromStdString(freeSpaceLine(std::int64_t {1} << 20));
    QVERIFY(QTest::qWaitFor([&] { return window.form.ui().FreeSpaceStatusBar->text() == after; }, 10000));
}

void WindowLifeTest::freeLineFollowsTheDiskDuringAPass()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    rig.writeSource("a.txt", "some bytes");
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    MessageBox::Script boxes;
    HeldVolumeHost held(rig.host);
    MainWindowEnvironment env = rig.environment();
    env.host = &held;
    OpenWindow window(std::move(env));
    const auto letThePassGo = qScopeGuard([&] { held.release(); });
    click(window.form.ui().BackupButton);
    QVERIFY(QTest::qWaitFor([&] { return held.held(); }, kPassTimeoutMs));
    rig.host.setFree(drive.toStdString(), std::int64_t {3} << 20);
    const QString during = QString::fromStdString(freeSpaceLine(std::int64_t {3} << 20));
    QVERIFY(QTest::qWaitFor([&] { return window.form.ui().FreeSpaceStatusBar->text() == during; }, 10000));
    QVERIFY(window.form.BackupRunning());
    held.release();
    QVERIFY(QTest::qWaitFor([&] { return !window.form.BackupRunning(); }, kPassTimeoutMs));
}

void WindowLifeTest::listHeaderTakesTheListFontAtStart()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    {
        ProgramConfig config;
        config.drive = DriveRoot(drive.toStdString());
        config.font.name = "DejaVu Serif";
        config.font.setHeight(18);
        config.font.bold = true;
        SAvePConfigFile((rig.programFolder + "config").toStdString(), config);
    }
    MessageBox::Script boxes;
    OpenWindow window(rig);
    const QFont list = window.form.ui().ListView->font();
    QVERIFY(list.bold());
    const QFont header = window.form.ui().ListView->horizontalHeader()->font();
    QCOMPARE(header.family(), list.family());
    QCOMPARE(header.pixelSize(), list.pixelSize());
    QCOMPARE(header.pointSizeF(), list.pointSizeF());
    QCOMPARE(header.bold(), list.bold());
}

void WindowLifeTest::aRefusedEditIsANoticeFromEveryCommand()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    MessageBox::Script boxes;
    OpenWindow window(rig);
    QVERIFY(boxes.take().isEmpty());
    // Another pass (a timer's, a mount's) works with this program folder.
    const int lock = ::open(rig.programFolder.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(lock >= 0);
    const auto unlock = qScopeGuard([lock] { ::close(lock); });
    QVERIFY(::flock(lock, LOCK_EX | LOCK_NB) == 0);

    click(window.form.ui().AddButton);
    QAbstractItemModel *model = window.form.ui().ListView->model();
    model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    window.form.selectIndex(0);
    window.form.ui().Remove1->trigger();
    const QList<MessageBox::Shown> shown = boxes.take();
    QCOMPARE(shown.size(), 3);
    for (const MessageBox::Shown &box : shown) {
        QCOMPARE(box.kind, MessageBox::Kind::Notice);
        QVERIFY2(box.text.startsWith("THE LIST CANNOT BE CHANGED WHILE A BACKUP PASS IS RUNNING."),
                 qPrintable(box.text));
    }
    QCOMPARE(window.form.list().count(), std::size_t {1});
}

void WindowLifeTest::aWindowDestroyedFromOutsideComesBack()
{
    MainWindowRig rig;
    rig.writeConfig(QStringLiteral("Choose backup CD"));
    MessageBox::Script boxes;
    OpenWindow window(rig);
    TQLForm &form = window.form;
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // What a compositor's crash leaves: the widget shown, its window gone.
    form.windowHandle()->destroy();
    QVERIFY(!form.windowHandle()->handle());
    form.bringBack(); // a second start of the program
    QVERIFY(form.windowHandle() && form.windowHandle()->handle());
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(form.isVisible());
}

void WindowLifeTest::aCloseBeforeTheFirstCheckKeepsTheSavedPlace()
{
    MainWindowRig rig;
    {
        ProgramConfig config;
        config.windowWidth = 700;
        config.windowHeight = 480;
        config.windowLeft = 61;
        config.windowTop = 47;
        SAvePConfigFile((rig.programFolder + "config").toStdString(), config);
    }
    MessageBox::Script boxes;
    {
        TQLForm form(rig.environment());
        form.show(); // shown centred; the saved place comes with the first check
        QVERIFY(form.ui().Timer2.isActive());
        form.close();
    }
    QCOMPARE(savedConfig(rig).windowLeft, 61);
    QCOMPARE(savedConfig(rig).windowTop, 47);
    QCOMPARE(savedConfig(rig).windowWidth, 700);
}

QTEST_MAIN(WindowLifeTest)
#include "windowlife_test.moc"

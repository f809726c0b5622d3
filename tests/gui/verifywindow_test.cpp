// Verify from the window: the label field's menu reads the copies on the
// disk in hand back on a thread of its own, with a progress window whose
// STOP ends it cleanly, and a notice at the end that tells what it found.
#include "MainWindowRig.h"
#include "catalogue/Catalogue.h"
#include "catalogue/DiskLayout.h"
#include "catalogue/FileHash.h"
#include "gui/MessageBox.h"
#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/AutoBackupEntry.h"
#include "gui/verify/VerifyProgressForm.h"
#include "gui/verify/WindowVerify.h"
#include "platform/PassLock.h"
#include "engine/PassLog.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QTemporaryFile>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace quillarc;

namespace {

QByteArray bytesOf(int i)
{
    return QByteArray("copy number ") + QByteArray::number(i) + QByteArray(100, 'x');
}

// A copy on the drive at the mirror path of the source, recorded with the
// hash of `recorded`.
void putCopy(Catalogue &catalogue, std::int64_t disk, const QString &drive, const QString &sourcePath,
             const QByteArray &onDisk, const QByteArray &recorded)
{
    const QString mirror = sourcePath.mid(1);
    const QString copy = drive + mirror;
    QDir().mkpath(QFileInfo(copy).path());
    QFile file(copy);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(onDisk);
    file.close();
    QTemporaryFile hashed;
    QVERIFY(hashed.open());
    hashed.write(recorded);
    hashed.flush();
    const int fd = ::open(hashed.fileName().toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    CopyRecord record;
    record.path = mirror.toStdString();
    record.size = onDisk.size();
    record.modifiedNs = QFileInfo(sourcePath).exists()
                            ? QFileInfo(sourcePath).lastModified().toMSecsSinceEpoch() * 1'000'000
                            : 1'700'000'000'000'000'000;
    record.mode = 0100644;
    record.hash = hashOpenFile(fd).hash;
    ::close(fd);
    record.passStamp = "2026-12-01T100000Z";
    catalogue.recordCopy(disk, record);
}

QAction *verifyEntry(QMenu &menu)
{
    for (QAction *action : menu.actions())
        if (action->text().startsWith(QStringLiteral("Verify")))
            return action;
    return nullptr;
}

struct VerifyRig {
    MainWindowRig rig;
    QString drive = rig.addDrive("d", "BACKUP1");
    QString medium = drive + "medium/"; // where the pass puts its copies
    std::string catalogueFile = rig.programFolder.toStdString() + std::string(disklayout::kProgramCatalogue);

    VerifyRig()
    {
        rig.writeConfig(drive);
        writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    }

    struct Copy {
        QString source;
        QByteArray onDisk;
        QByteArray recorded;
    };
    // BACKUP1 in the catalogue with `copies` on the disk: its id.
    std::int64_t catalogueCopies(const std::vector<Copy> &copies) const
    {
        Catalogue catalogue(catalogueFile);
        const std::int64_t disk = catalogue.disk({"BACKUP1", ""});
        catalogue.begin();
        for (const Copy &copy : copies)
            putCopy(catalogue, disk, medium, copy.source, copy.onDisk, copy.recorded);
        catalogue.commit();
        return disk;
    }
};

// Starts Verify from the label field's menu and waits for its notice.
QList<MessageBox::Shown> verifyFromMenu(OpenWindow &window, MessageBox::Script &boxes,
                                        const std::function<void(WindowVerify &)> &meanwhile = {})
{
    auto *entry = window.form.findChild<AutoBackupEntry *>();
    std::unique_ptr<QMenu> menu(entry->menu());
    QAction *verify = verifyEntry(*menu);
    if (!verify || !verify->isEnabled())
        return {};
    verify->trigger();
    auto *running = window.form.findChild<WindowVerify *>();
    QSignalSpy ended(running, &WindowVerify::finished);
    if (meanwhile)
        meanwhile(*running);
    if (!ended.wait(60000) && ended.isEmpty())
        return {};
    return boxes.take();
}

} // namespace

class VerifyWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void goodCopiesEndInANoticeThatAllIsGood();
    void aBadCopyIsClassifiedMovedAsideAndNothingDeleted();
    void stopEndsItCleanlyAndTheNextVerifyGoesOn();
    void aPassHoldingTheDiskKeepsItFromStarting();
    void theEntryIsOffWithoutADisk();
    void theProgressCountsOneCopyInTheSingular();
};

void VerifyWindowTest::goodCopiesEndInANoticeThatAllIsGood()
{
    VerifyRig v;
    const QString a = v.rig.writeSource("a.txt", bytesOf(1));
    const QString b = v.rig.writeSource("sub/b.txt", bytesOf(2));
    const std::int64_t disk = v.catalogueCopies({{a, bytesOf(1), bytesOf(1)}, {b, bytesOf(2), bytesOf(2)}});
    MessageBox::Script boxes;
    OpenWindow window(v.rig);
    boxes.take();
    const auto shown = verifyFromMenu(window, boxes);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Notice);
    QVERIFY2(shown[0].text.startsWith(QStringLiteral("Verify of BACKUP1: 2 copies read (")), qPrintable(shown[0].text));
    QVERIFY2(shown[0].text.endsWith(QStringLiteral("all good.")), qPrintable(shown[0].text));
    const Catalogue catalogue(v.catalogueFile);
    QVERIFY(!catalogue.diskSummary(disk)->lastVerified.empty());
    QVERIFY(v.rig.programFile(QString::fromLatin1(PassLog::kFileName)).contains("Verify of BACKUP1: 2 copies read"));
    // The disk keeps its own catalogue and manifest, up to date.
    QVERIFY(QFile::exists(v.medium + ".quillarc"));
    QVERIFY(!window.form.findChild<VerifyProgressForm *>() ||
            !window.form.findChild<VerifyProgressForm *>()->isVisible());
}

void VerifyWindowTest::aBadCopyIsClassifiedMovedAsideAndNothingDeleted()
{
    VerifyRig v;
    const QString good = v.rig.writeSource("good.txt", bytesOf(1));
    const QString gone = v.rig.source + "/gone.txt"; // no source any more
    v.catalogueCopies({{good, bytesOf(1), bytesOf(1)}, {gone, bytesOf(3), bytesOf(4)}});
    MessageBox::Script boxes;
    OpenWindow window(v.rig);
    boxes.take();
    const auto shown = verifyFromMenu(window, boxes);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Error);
    QVERIFY2(shown[0].text.contains(QStringLiteral("1 found wrong")), qPrintable(shown[0].text));
    QVERIFY2(shown[0].text.contains(QStringLiteral("BAD COPY, SOURCE GONE  ") + gone), qPrintable(shown[0].text));
    QVERIFY2(shown[0].text.contains(QStringLiteral("Moved aside to ")), qPrintable(shown[0].text));
    // Moved aside, not deleted: its bytes are still on the disk.
    QVERIFY(!QFile::exists(v.medium + gone.mid(1)));
    bool kept = false;
    QDirIterator it(v.medium + ".quillarc", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll() == bytesOf(3))
            kept = true;
    }
    QVERIFY(kept);
}

void VerifyWindowTest::stopEndsItCleanlyAndTheNextVerifyGoesOn()
{
    VerifyRig v;
    constexpr int kCopies = 1000;
    std::vector<VerifyRig::Copy> copies;
    for (int i = 0; i < kCopies; ++i)
        copies.push_back(
            {v.rig.writeSource(QStringLiteral("many/f%1.txt").arg(i), bytesOf(i)), bytesOf(i), bytesOf(i)});
    v.catalogueCopies(copies);
    MessageBox::Script boxes;
    OpenWindow window(v.rig);
    boxes.take();
    // STOP as soon as it starts: the window's close box is STOP too.
    const auto stopped = verifyFromMenu(window, boxes, [](WindowVerify &running) {
        QVERIFY(running.progressForm());
        QVERIFY(running.progressForm()->isVisible());
        running.progressForm()->StopButton->click();
        QVERIFY(running.progressForm()->stopping());
    });
    QCOMPARE(stopped.size(), 1);
    QVERIFY2(stopped[0].text.contains(QStringLiteral("left for the next verify")), qPrintable(stopped[0].text));
    QVERIFY2(stopped[0].text.contains(QStringLiteral("all good")), qPrintable(stopped[0].text));

    const auto resumed = verifyFromMenu(window, boxes);
    QCOMPARE(resumed.size(), 1);
    QVERIFY2(resumed[0].text.contains(QStringLiteral("all good.")), qPrintable(resumed[0].text));
    QVERIFY2(!resumed[0].text.contains(QStringLiteral("left for")), qPrintable(resumed[0].text));
}

void VerifyWindowTest::aPassHoldingTheDiskKeepsItFromStarting()
{
    VerifyRig v;
    v.catalogueCopies({});
    MessageBox::Script boxes;
    OpenWindow window(v.rig);
    boxes.take();
    PassLock other;
    QCOMPARE(other.take({}, v.medium.toStdString()), PassLock::Result::Taken);
    const auto shown = verifyFromMenu(window, boxes);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, QString::fromLatin1(PassLock::busyMessage()));
}

void VerifyWindowTest::theEntryIsOffWithoutADisk()
{
    VerifyRig v;
    MessageBox::Script boxes;
    OpenWindow window(v.rig);
    v.rig.host.eject(v.drive.toStdString());
    v.rig.mediaEvent(false, v.drive);
    QTRY_VERIFY(window.form.session().label().empty());
    auto *entry = window.form.findChild<AutoBackupEntry *>();
    std::unique_ptr<QMenu> menu(entry->menu());
    QAction *verify = verifyEntry(*menu);
    QVERIFY(verify);
    QVERIFY(!verify->isEnabled());
}

void VerifyWindowTest::theProgressCountsOneCopyInTheSingular()
{
    VerifyProgressForm form(QStringLiteral("BACKUP1"));
    form.setProgress(0, 1, QStringLiteral("home/ann/a.txt"));
    QCOMPARE(form.CountText->text(), QStringLiteral("0 of 1 copy read"));
    form.setProgress(1, 2, QStringLiteral("home/ann/b.txt"));
    QCOMPARE(form.CountText->text(), QStringLiteral("1 of 2 copies read"));
}

QTEST_MAIN(VerifyWindowTest)
#include "verifywindow_test.moc"

// "Get Files Back" driven through its widgets: a catalogue of two backup
// disks held in temporary folders, and real restores from them.
#include "Contrast.h"
#include "DarkPalette.h"
#include "MainWindowRig.h"
#include "catalogue/Catalogue.h"
#include "catalogue/ContentHasher.h"
#include "gui/MessageBox.h"
#include "gui/controls/TGlossButton.h"
#include "gui/restore/RestoreDialog.h"
#include "gui/restore/RestoreProgressForm.h"
#include "gui/restore/RestoreTreeModel.h"
#include "platform/RestoreHold.h"

#include <QApplication>
#include <QAbstractButton>
#include <QStyleOptionButton>
#include <QStyle>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <atomic>
#include <sys/stat.h>

using namespace quillarc;

namespace {

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A program folder whose catalogue knows the files of `original` on two
// disks: Docs/a.txt and Docs/b.txt on BACKUP1 (a.txt with an older version),
// Docs/c.txt on BACKUP2.
struct Disks {
    QTemporaryDir temp;
    QString program, original, disk1, disk2, into;
    std::atomic<int> lookedAt {0};
    std::atomic<int> secondAfter {1'000'000}; ///< the look at the drive from which BACKUP2 is in it

    Disks()
    {
        for (const char *folder : {"program", "original", "disk1", "disk2", "into"})
            QDir(temp.path()).mkpath(QString::fromLatin1(folder));
        program = temp.filePath("program") + "/";
        original = temp.filePath("original");
        disk1 = temp.filePath("disk1");
        disk2 = temp.filePath("disk2");
        into = temp.filePath("into");
        Catalogue catalogue((program + "catalogue.sqlite").toStdString());
        const std::int64_t one = catalogue.disk({"BACKUP1", "uuid-1"});
        const std::int64_t two = catalogue.disk({"BACKUP2", "uuid-2"});
        record(catalogue, one, disk1, "Docs/a.txt", "old a", "2026-12-01T100000Z");
        catalogue.recordVersion(one, mirror("Docs/a.txt"), "2026-12-05T100000Z");
        QDir(disk1).mkpath(".quillarc/versions/2026-12-05T100000Z/" +
                           QFileInfo(QString::fromStdString(mirror("Docs/a.txt"))).path());
        QFile::rename(disk1 + "/" + QString::fromStdString(mirror("Docs/a.txt")),
                      disk1 + "/.quillarc/versions/2026-12-05T100000Z/" + QString::fromStdString(mirror("Docs/a.txt")));
        record(catalogue, one, disk1, "Docs/a.txt", "new a", "2026-12-05T100000Z");
        record(catalogue, one, disk1, "Docs/b.txt", "b", "2026-12-05T100000Z");
        record(catalogue, two, disk2, "Docs/c.txt", "c", "2026-12-05T100000Z");
    }
    std::string mirror(const QString &relative) const { return (original + "/" + relative).mid(1).toStdString(); }
    void record(Catalogue &catalogue, std::int64_t disk, const QString &root, const QString &relative,
                const QByteArray &bytes, const std::string &stamp)
    {
        CopyRecord copy;
        copy.path = mirror(relative);
        copy.size = bytes.size();
        copy.modifiedNs = 1'765'000'000'000'000'000;
        copy.mode = S_IFREG | 0640;
        copy.uid = ::geteuid();
        copy.gid = ::getegid();
        copy.hash = ContentHasher::of(bytes.data(), static_cast<std::size_t>(bytes.size()));
        copy.passStamp = stamp;
        catalogue.recordCopy(disk, copy);
        writeFile(root + "/" + QString::fromStdString(copy.path), bytes);
    }
    RestoreDialog::Setup setup()
    {
        RestoreDialog::Setup setup;
        setup.programFolder = program.toStdString();
        setup.today = "2026-12-10";
        setup.lookAtDrive = [this] {
            const bool second = ++lookedAt >= secondAfter;
            return DiskFound {second ? "BACKUP2" : "BACKUP1", second ? "uuid-2" : "uuid-1",
                              ((second ? disk2 : disk1) + "/").toStdString()};
        };
        setup.chooseFolder = [this](QWidget *) { return into; };
        return setup;
    }
};

// Opens the tree item at the path below the top, a level at a time.
QModelIndex openAt(RestoreDialog &dialog, const QStringList &names)
{
    auto *model = dialog.tree->model();
    QModelIndex at;
    for (const QString &name : names) {
        if (model->canFetchMore(at))
            model->fetchMore(at);
        QModelIndex next;
        for (int row = 0; row < model->rowCount(at); ++row)
            if (model->index(row, 0, at).data().toString() == name)
                next = model->index(row, 0, at);
        if (!next.isValid())
            return {};
        at = next;
    }
    return at;
}

QStringList components(const QString &folder)
{
    return folder.mid(1).split(QLatin1Char('/'));
}

void waitForEnd(RestoreDialog &dialog)
{
    QTRY_VERIFY_WITH_TIMEOUT(dialog.running() == nullptr, 30000);
}

// How well a checked toggle's mark stands out of its box: the contrast of
// the darkest and the lightest pixel in the middle of the box.
double markContrast(QAbstractButton *toggle, QStyle::SubElement indicator)
{
    QStyleOptionButton option;
    option.initFrom(toggle);
    const QRect box = toggle->style()->subElementRect(indicator, &option, toggle);
    const QImage image = toggle->grab().toImage();
    const qreal scale = image.devicePixelRatio();
    QColor darkest = Qt::white, lightest = Qt::black;
    for (int y = box.top() + box.height() / 4; y <= box.bottom() - box.height() / 4; ++y)
        for (int x = box.left() + box.width() / 4; x <= box.right() - box.width() / 4; ++x) {
            const QColor pixel = image.pixelColor(qRound(x * scale), qRound(y * scale));
            if (luminance(pixel) < luminance(darkest))
                darkest = pixel;
            if (luminance(pixel) > luminance(lightest))
                lightest = pixel;
        }
    return contrast(darkest, lightest);
}

} // namespace

class RestoreDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensByPathOrDiskFindsAndShowsVersions();
    void restoresIntoAFolderAskingForTheOtherDiskByLabel();
    void keepsWhatIsInTheWayAndNamesWhatWasNotRestored();
    void aCountOfOneReadsInTheSingular();
    void theChoicesMarksShowUnderEveryPalette_data();
    void theChoicesMarksShowUnderEveryPalette();
    void whileOpenNoPassStarts();
    void theWindowsKeyAndListMenuOpenIt();
    void screenshots();
};

void RestoreDialogTest::opensByPathOrDiskFindsAndShowsVersions()
{
    Disks disks;
    RestoreDialog dialog(disks.setup());
    dialog.show();
    // Only the top level is read when the dialog opens.
    auto *model = dialog.tree->model();
    QCOMPARE(model->rowCount(), 1);
    QVERIFY(model->canFetchMore(model->index(0, 0)));
    const QModelIndex docs = openAt(dialog, components(disks.original + "/Docs"));
    QVERIFY(docs.isValid());
    model->fetchMore(docs);
    QCOMPARE(model->rowCount(docs), 3);
    dialog.tree->setCurrentIndex(model->index(0, 0, docs)); // a.txt
    QCOMPARE(dialog.versions->count(), 2);
    QVERIFY(dialog.versions->item(0)->text().contains(QStringLiteral("BACKUP1")));

    dialog.viewChoice->setCurrentIndex(1);
    model = dialog.tree->model();
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("BACKUP2"));
    const QModelIndex onTwo =
        openAt(dialog, QStringList {QStringLiteral("BACKUP2")} + components(disks.original + "/Docs"));
    QVERIFY(onTwo.isValid());
    model->fetchMore(onTwo);
    QCOMPARE(model->rowCount(onTwo), 1);
    QCOMPARE(model->index(0, 0, onTwo).data().toString(), QStringLiteral("c.txt"));

    // The search answers after typing pauses, one line a file.
    QTest::keyClicks(dialog.findEdit, QStringLiteral("*.txt"));
    QVERIFY(dialog.found->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(dialog.found->count(), 3, 10000);
    dialog.findEdit->setText(QStringLiteral("nothing-like-it"));
    QTRY_VERIFY_WITH_TIMEOUT(dialog.found->count() == 1 && dialog.found->item(0)->text().startsWith("Nothing found"),
                             10000);
    dialog.findEdit->clear();
    QVERIFY(dialog.tree->isVisible());
}

void RestoreDialogTest::restoresIntoAFolderAskingForTheOtherDiskByLabel()
{
    Disks disks;
    MessageBox::Script boxes;
    RestoreDialog dialog(disks.setup());
    dialog.show();
    const QModelIndex docs = openAt(dialog, components(disks.original + "/Docs"));
    dialog.tree->selectionModel()->select(docs, QItemSelectionModel::ClearAndSelect);
    dialog.browseButton->click();
    QVERIFY(dialog.intoFolder->isChecked());
    // As of a day when a.txt held its older content.
    dialog.asOfEdit->setText(QStringLiteral("2026-12-02"));
    dialog.previewButton->click();
    QVERIFY2(dialog.previewText->toPlainText().contains(QStringLiteral("From disk BACKUP1: 1 file,")),
             qPrintable(dialog.previewText->toPlainText()));
    QVERIFY(dialog.previewText->toPlainText().contains(QStringLiteral("version of 2026-12-01T100000Z")));
    dialog.asOfEdit->clear();
    // BACKUP2 is put in after the program asks for it.
    disks.secondAfter = 4;
    boxes.answer(true); // get back 3 files
    boxes.answer(true); // BACKUP2 is in the drive
    dialog.restoreButton->click();
    QVERIFY(dialog.progress() != nullptr);
    waitForEnd(dialog);
    QCOMPARE(readAll(disks.into + "/Docs/a.txt"), QStringLiteral("new a"));
    QCOMPARE(readAll(disks.into + "/Docs/b.txt"), QStringLiteral("b"));
    QCOMPARE(readAll(disks.into + "/Docs/c.txt"), QStringLiteral("c"));
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[1].text,
             QStringLiteral("Insert the backup disk \"BACKUP2\" (1 file) and press Yes; Cancel skips it."));
    QVERIFY2(shown[2].text.startsWith(QStringLiteral("3 of 3 files restored.")), qPrintable(shown[2].text));
    QVERIFY(!shown[2].text.contains(QStringLiteral("Not restored")));
}

void RestoreDialogTest::keepsWhatIsInTheWayAndNamesWhatWasNotRestored()
{
    Disks disks;
    writeFile(disks.original + "/Docs/a.txt", "changed since");
    writeFile(disks.original + "/Docs/b.txt", "b");
    MessageBox::Script boxes;
    RestoreDialog dialog(disks.setup());
    dialog.show();
    dialog.tree->selectionModel()->select(openAt(dialog, components(disks.original)),
                                          QItemSelectionModel::ClearAndSelect);
    const QString preview = dialog.preview();
    QVERIFY2(preview.contains(disks.original + "/Docs/a.txt  - IN THE WAY: kept; restored beside it"),
             qPrintable(preview));
    QVERIFY(preview.contains(disks.original + "/Docs/b.txt  - already there, left alone"));
    boxes.answer(true);  // get back 3 files
    boxes.answer(false); // BACKUP2 is not at hand
    dialog.restoreButton->click();
    waitForEnd(dialog);
    QCOMPARE(readAll(disks.original + "/Docs/a.txt"), QStringLiteral("changed since"));
    QCOMPARE(readAll(disks.original + "/Docs/a.txt.restored-2026-12-10"), QStringLiteral("new a"));
    QVERIFY(!QFile::exists(disks.original + "/Docs/c.txt"));
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 3);
    const QString end = shown[2].text;
    QVERIFY2(end.startsWith(QStringLiteral("2 of 3 files restored.")), qPrintable(end));
    QVERIFY2(end.contains(QStringLiteral("Not restored:\n") + disks.original +
                          "/Docs/c.txt (disk BACKUP2 was not in the drive)"),
             qPrintable(end));
    QVERIFY(end.contains(disks.original + "/Docs/a.txt.restored-2026-12-10"));
}

// Docs/b.txt holds one byte: every count of it, from the versions list to
// the notice at the end, is said in the singular.
void RestoreDialogTest::aCountOfOneReadsInTheSingular()
{
    Disks disks;
    MessageBox::Script boxes;
    RestoreDialog dialog(disks.setup());
    dialog.show();
    const QModelIndex b = openAt(dialog, components(disks.original + "/Docs/b.txt"));
    QVERIFY(b.isValid());
    dialog.tree->setCurrentIndex(b);
    dialog.tree->selectionModel()->select(b, QItemSelectionModel::ClearAndSelect);
    QCOMPARE(dialog.versions->count(), 1);
    QVERIFY2(dialog.versions->item(0)->text().endsWith(QStringLiteral(", 1 byte")),
             qPrintable(dialog.versions->item(0)->text()));
    dialog.browseButton->click();
    dialog.previewButton->click();
    const QString preview = dialog.previewText->toPlainText();
    QVERIFY2(preview.startsWith(QStringLiteral("1 file, 1 byte to write; 0 already there; 0 in the way.\n"
                                               "From disk BACKUP1: 1 file, 1 byte\n")),
             qPrintable(preview));
    boxes.answer(true);
    dialog.restoreButton->click();
    waitForEnd(dialog);
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].text, QStringLiteral("Get back 1 file as shown?"));
    QCOMPARE(shown[1].text, QStringLiteral("1 of 1 file restored."));
}

void RestoreDialogTest::theChoicesMarksShowUnderEveryPalette_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("light desktop") << false;
    QTest::newRow("dark desktop") << true;
}

// The dot of the chosen place and the tick of "Replace" must show on the
// dialog's blue, whatever the desktop's colours.
void RestoreDialogTest::theChoicesMarksShowUnderEveryPalette()
{
    QFETCH(bool, dark);
    const QPalette desktop = QApplication::palette();
    if (dark)
        QApplication::setPalette(darkPalette());
    Disks disks;
    RestoreDialog dialog(disks.setup());
    dialog.overwriteBox->setChecked(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const double dot = markContrast(dialog.originalPlace, QStyle::SE_RadioButtonIndicator);
    const double tick = markContrast(dialog.overwriteBox, QStyle::SE_CheckBoxIndicator);
    QApplication::setPalette(desktop);
    QVERIFY2(dot >= 3, qPrintable(QString::number(dot)));
    QVERIFY2(tick >= 3, qPrintable(QString::number(tick)));
}

void RestoreDialogTest::whileOpenNoPassStarts()
{
    Disks disks;
    const std::string program = disks.program.toStdString();
    {
        RestoreDialog dialog(disks.setup());
        QVERIFY(RestoreHold::restoreRunning(program));
    }
    QVERIFY(!RestoreHold::restoreRunning(program));
}

void RestoreDialogTest::theWindowsKeyAndListMenuOpenIt()
{
    MessageBox::Script boxes;
    MainWindowRig rig;
    rig.writeConfig(rig.addDrive("backup", "BACKUP1"));
    TQLForm window(rig.environment());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    bool listed = false;
    for (const QAction *action : window.ui().PopupMenu->actions())
        listed = listed || action->text() == QStringLiteral("Get Files Back...");
    QVERIFY(listed);
    bool opened = false, holding = false;
    QTimer look;
    connect(&look, &QTimer::timeout, &window, [&] {
        if (auto *dialog = qobject_cast<RestoreDialog *>(QApplication::activeModalWidget())) {
            opened = true;
            holding = RestoreHold::restoreRunning(rig.programFolder.toStdString());
            dialog->closeButton->click();
        }
    });
    look.start(20);
    boxes.take(); // what the window said as it opened
    QTest::keyClick(&window, Qt::Key_G, Qt::ControlModifier);
    QVERIFY(opened);
    QVERIFY(holding);
    QVERIFY(!RestoreHold::restoreRunning(rig.programFolder.toStdString()));
    // The dialog says nothing of its own. The window's notice that this disk
    // has no list yet comes from its look at the drive, which may come late
    // under load: it is the window's, not the dialog's.
    for (const MessageBox::Shown &box : boxes.take())
        QVERIFY2(box.text.startsWith(QStringLiteral("UNKNOWN DISK")), qPrintable(box.text));
}

// Pictures for a person to look at, in the desktop's light and a dark
// palette (QT_SCALE_FACTOR=2 for the scale of a dense screen): only when
// QUILLARC_SCREENSHOTS names a folder.
void RestoreDialogTest::screenshots()
{
    const QString folder = qEnvironmentVariable("QUILLARC_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("set QUILLARC_SCREENSHOTS to a folder to write the screenshots into");
    QVERIFY(QDir().mkpath(folder));
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
    const QPalette light = QApplication::palette();
    const QPalette dark = darkPalette();
    for (const bool isDark : {false, true}) {
        QApplication::setPalette(isDark ? dark : light);
        const QString suffix = QStringLiteral("-x") + scale + (isDark ? QStringLiteral("-dark") : QString());
        Disks disks;
        writeFile(disks.original + "/Docs/a.txt", "changed since");
        RestoreDialog dialog(disks.setup());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QModelIndex docs = openAt(dialog, components(disks.original + "/Docs"));
        for (QModelIndex open = docs; open.isValid(); open = open.parent())
            dialog.tree->expand(open);
        dialog.tree->setCurrentIndex(dialog.tree->model()->index(0, 0, docs));
        QCOMPARE(dialog.versions->count(), 2);
        dialog.tree->selectionModel()->select(docs, QItemSelectionModel::ClearAndSelect);
        dialog.preview();
        QVERIFY(dialog.grab().save(folder + "/restore-dialog" + suffix + ".png"));
        QTest::keyClicks(dialog.findEdit, QStringLiteral("*.txt"));
        QTRY_COMPARE_WITH_TIMEOUT(dialog.found->count(), 3, 10000);
        QVERIFY(dialog.grab().save(folder + "/restore-dialog-find" + suffix + ".png"));
        RestoreProgressForm progress(40);
        progress.showProgress(13, QStringLiteral("BACKUP1"));
        progress.show();
        QVERIFY(QTest::qWaitForWindowExposed(&progress));
        QVERIFY(progress.grab().save(folder + "/restore-progress" + suffix + ".png"));
    }
    QApplication::setPalette(light);
}

QTEST_MAIN(RestoreDialogTest)
#include "restoredialog_test.moc"

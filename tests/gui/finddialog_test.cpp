// The Find window: which disk holds each copy of a file, answered from the
// program folder's catalogue with no disk plugged in, in a table that
// follows the search field as the person types.
#include "MainWindowRig.h"
#include "catalogue/Catalogue.h"
#include "catalogue/DiskLayout.h"
#include "gui/MessageBox.h"
#include "gui/find/FindDialog.h"
#include "gui/find/FindResultsModel.h"
#include "gui/find/FindSearch.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace quillarc;

namespace {

constexpr std::int64_t kSecond = 1'000'000'000;

CopyRecord copyOf(const std::string &path, std::int64_t size, std::int64_t modifiedSeconds)
{
    CopyRecord record;
    record.path = path;
    record.size = size;
    record.modifiedNs = modifiedSeconds * kSecond;
    record.mode = 0100644;
    record.hash = Hash128 {static_cast<std::uint64_t>(size), static_cast<std::uint64_t>(modifiedSeconds)};
    record.passStamp = "2026-12-01T100000Z";
    return record;
}

// Two disks: report.ods newest on BACKUP2 with an older copy on BACKUP1 and
// a version there; notes.txt on BACKUP1 only; a photo on BACKUP2.
void writeCatalogue(const std::string &programFolder)
{
    Catalogue catalogue(programFolder + std::string(disklayout::kProgramCatalogue));
    const std::int64_t one = catalogue.disk({"BACKUP1", ""});
    const std::int64_t two = catalogue.disk({"BACKUP2", "1234-abcd"});
    catalogue.diskSeen(one, "2026-11-20T090000Z", 1000);
    catalogue.diskSeen(two, "2026-12-05T090000Z", 1000);
    catalogue.recordCopy(one, copyOf("home/ann/Docs/report.ods", 3000, 1'700'000'000));
    catalogue.recordVersionCopy(one, copyOf("home/ann/Docs/report.ods", 2000, 1'690'000'000), "2026-11-01T080000Z");
    catalogue.recordCopy(two, copyOf("home/ann/Docs/report.ods", 5000, 1'760'000'000));
    catalogue.recordCopy(one, copyOf("home/ann/notes.txt", 10, 1'700'000'000));
    catalogue.recordCopy(two, copyOf("home/ann/Pictures/Report photo.jpg", 900'000, 1'710'000'000));
}

QString cell(const FindDialog &dialog, int row, int column)
{
    const QAbstractItemModel *model = dialog.ResultsView->model();
    return model->data(model->index(row, column)).toString();
}

void search(FindDialog &dialog, const QString &text)
{
    dialog.PatternEdit->setText(text);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.settled(), 20000);
}

} // namespace

class FindDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersAsTheCommandDoes();
    void theTableNarrowsAsThePersonTypesAndSortsByValue();
    void theWholePathIsMatchedWhenAskedFor();
    void withoutACatalogueItSaysSoAndMakesNone();
    void aSearchOfManyFilesShowsTheFirstAndSaysHowMany();
    void onlyTheNewestRequestIsAnswered();
    void ctrlFAndTheListMenuOpenOneFindWindow();
};

void FindDialogTest::answersAsTheCommandDoes()
{
    QTemporaryDir folder;
    const std::string program = folder.path().toStdString() + "/";
    writeCatalogue(program);
    FindDialog dialog(program);
    search(dialog, QStringLiteral("report"));
    QCOMPARE(dialog.ResultsView->model()->rowCount(), 2);
    QCOMPARE(dialog.StatusText->text(), QStringLiteral("2 files found."));
    // Sorted by name: "Report photo.jpg" before "report.ods"? Case is not
    // what orders them: "report photo" < "report.ods" (' ' < '.').
    QCOMPARE(cell(dialog, 0, FindResultsModel::Name), QStringLiteral("Report photo.jpg"));
    QCOMPARE(cell(dialog, 1, FindResultsModel::Name), QStringLiteral("report.ods"));
    QCOMPARE(cell(dialog, 1, FindResultsModel::Folder), QStringLiteral("/home/ann/Docs"));
    QVERIFY(cell(dialog, 1, FindResultsModel::NewestOn).startsWith(QStringLiteral("BACKUP2, as of 2026-12-0")));
    QCOMPARE(cell(dialog, 1, FindResultsModel::Size), QStringLiteral("4.9 KiB"));
    QCOMPARE(cell(dialog, 1, FindResultsModel::Versions), QStringLiteral("1 on BACKUP1"));
    QVERIFY(cell(dialog, 1, FindResultsModel::OlderOn).startsWith(QStringLiteral("BACKUP1 as of 2026-11-2")));
    QCOMPARE(cell(dialog, 0, FindResultsModel::OlderOn), QStringLiteral("none"));
    const QAbstractItemModel *model = dialog.ResultsView->model();
    const QString details = model->data(model->index(1, 0), Qt::ToolTipRole).toString();
    QVERIFY2(details.startsWith(QStringLiteral("/home/ann/Docs/report.ods\n  newest copy on BACKUP2: ")) ||
                 details.startsWith(QStringLiteral("/home/ann/Docs/report.ods\nnewest copy on BACKUP2: ")),
             qPrintable(details));
    QVERIFY2(details.contains(QStringLiteral("older copy on BACKUP1")), qPrintable(details));
    QVERIFY2(details.contains(QStringLiteral("version on BACKUP1")), qPrintable(details));
    QVERIFY2(details.contains(QStringLiteral("kept in the versions of 2026-11-01")), qPrintable(details));

    search(dialog, QStringLiteral("*.TXT"));
    QCOMPARE(dialog.ResultsView->model()->rowCount(), 1);
    QCOMPARE(cell(dialog, 0, FindResultsModel::Name), QStringLiteral("notes.txt"));
    search(dialog, QStringLiteral("nothing-like-it"));
    QCOMPARE(dialog.ResultsView->model()->rowCount(), 0);
    QCOMPARE(dialog.StatusText->text(), QStringLiteral("No file in the catalogue matches nothing-like-it."));
}

void FindDialogTest::theTableNarrowsAsThePersonTypesAndSortsByValue()
{
    QTemporaryDir folder;
    const std::string program = folder.path().toStdString() + "/";
    writeCatalogue(program);
    FindDialog dialog(program);
    search(dialog, QStringLiteral("o"));
    QCOMPARE(dialog.ResultsView->model()->rowCount(), 3);
    // Sorting by size puts the smallest first, by bytes and not by text
    // ("10 bytes" < "4.9 KiB" < "878.9 KiB").
    dialog.ResultsView->sortByColumn(FindResultsModel::Size, Qt::DescendingOrder);
    QCOMPARE(cell(dialog, 0, FindResultsModel::Name), QStringLiteral("Report photo.jpg"));
    QCOMPARE(cell(dialog, 2, FindResultsModel::Name), QStringLiteral("notes.txt"));
    dialog.ResultsView->sortByColumn(FindResultsModel::Modified, Qt::AscendingOrder);
    QCOMPARE(cell(dialog, 0, FindResultsModel::Name), QStringLiteral("notes.txt"));

    // The next key narrows the rows in hand before the catalogue answers.
    dialog.PatternEdit->setText(QStringLiteral("ot"));
    QCOMPARE(dialog.ResultsView->model()->rowCount(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.settled(), 20000);
    QCOMPARE(dialog.ResultsView->model()->rowCount(), 2);
    search(dialog, QString());
    QCOMPARE(dialog.ResultsView->model()->rowCount(), 0);
}

void FindDialogTest::theWholePathIsMatchedWhenAskedFor()
{
    QTemporaryDir folder;
    const std::string program = folder.path().toStdString() + "/";
    writeCatalogue(program);
    FindDialog dialog(program);
    search(dialog, QStringLiteral("Docs/*"));
    QCOMPARE(dialog.ResultsView->model()->rowCount(), 0);
    dialog.WholePathCheck->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.settled(), 20000);
    QCOMPARE(dialog.ResultsView->model()->rowCount(), 1);
    QCOMPARE(cell(dialog, 0, FindResultsModel::Name), QStringLiteral("report.ods"));
}

void FindDialogTest::withoutACatalogueItSaysSoAndMakesNone()
{
    QTemporaryDir folder;
    const std::string program = folder.path().toStdString() + "/";
    FindDialog dialog(program);
    search(dialog, QStringLiteral("report"));
    QVERIFY2(dialog.StatusText->text().startsWith(QStringLiteral("There is no catalogue yet")),
             qPrintable(dialog.StatusText->text()));
    struct stat info {};
    QVERIFY(::stat((program + std::string(disklayout::kProgramCatalogue)).c_str(), &info) != 0);

    // A file that is no catalogue is said to be one, and left as it is.
    QFile junk(QString::fromStdString(program + std::string(disklayout::kProgramCatalogue)));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'x'));
    junk.close();
    search(dialog, QStringLiteral("reports"));
    QVERIFY(!dialog.StatusText->text().isEmpty());
    QVERIFY(!dialog.StatusText->text().startsWith(QStringLiteral("There is no catalogue yet")));
    QCOMPARE(dialog.ResultsView->model()->rowCount(), 0);
    QCOMPARE(QFileInfo(junk.fileName()).size(), 8192);
}

void FindDialogTest::aSearchOfManyFilesShowsTheFirstAndSaysHowMany()
{
    QTemporaryDir folder;
    const std::string program = folder.path().toStdString() + "/";
    {
        Catalogue catalogue(program + std::string(disklayout::kProgramCatalogue));
        const std::int64_t disk = catalogue.disk({"BACKUP1", ""});
        catalogue.begin();
        for (std::size_t i = 0; i < FindSearch::kMostRows + 7; ++i)
            catalogue.recordCopy(disk, copyOf("data/file" + std::to_string(i) + ".dat", 1, 1'700'000'000));
        catalogue.commit();
    }
    FindDialog dialog(program);
    search(dialog, QStringLiteral("file"));
    QCOMPARE(dialog.ResultsView->model()->rowCount(), static_cast<int>(FindSearch::kMostRows));
    QVERIFY2(dialog.StatusText->text().contains(QLocale().toString(static_cast<qulonglong>(FindSearch::kMostRows + 7))),
             qPrintable(dialog.StatusText->text()));
}

void FindDialogTest::onlyTheNewestRequestIsAnswered()
{
    QTemporaryDir folder;
    const std::string program = folder.path().toStdString() + "/";
    writeCatalogue(program);
    FindSearch search(program + std::string(disklayout::kProgramCatalogue));
    QSignalSpy answers(&search, &FindSearch::answered);
    search.request("notes", false);
    search.request("report", false);
    search.request("jpg", false);
    QTRY_VERIFY_WITH_TIMEOUT(answers.count() >= 1, 20000);
    QTest::qWait(200);
    QCOMPARE(answers.count(), 1);
    const auto answer = answers.at(0).at(0).value<FindAnswer>();
    QCOMPARE(answer.pattern, std::string("jpg"));
    QCOMPARE(answer.files, std::size_t {1});
}

void FindDialogTest::ctrlFAndTheListMenuOpenOneFindWindow()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    writeCatalogue(rig.programFolder.toStdString());
    MessageBox::Script boxes;
    OpenWindow window(rig);
    QAction *entry = nullptr;
    for (QAction *action : window.form.ui().PopupMenu->actions())
        if (action->text().startsWith(QStringLiteral("Find Files")))
            entry = action;
    QVERIFY(entry);
    QCOMPARE(entry->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    window.form.activateWindow();
    QTest::keyClick(&window.form, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(window.form.findChild<FindDialog *>() != nullptr);
    auto *dialog = window.form.findChild<FindDialog *>();
    QTRY_VERIFY(dialog->isVisible());
    entry->trigger();
    QCOMPARE(window.form.findChildren<FindDialog *>().size(), 1);
    search(*dialog, QStringLiteral("notes"));
    QCOMPARE(dialog->ResultsView->model()->rowCount(), 1);
    dialog->close();
}

QTEST_MAIN(FindDialogTest)
#include "finddialog_test.moc"

// The list's columns, made from the items' values under the current locale.
#include "gui/mainwindow/BackupListModel.h"
#include "lists/BackupList.h"
#include "lists/Locale.h"

#include <QTest>

using namespace quillarc;

namespace {

QString cell(const BackupListModel &model, int row, int column)
{
    return model.index(row, column).data().toString();
}

} // namespace

class ListModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnsShowTheValuesInThisLocale();
};

void ListModelTest::columnsShowTheValuesInThisLocale()
{
    const ScopedLocale us(Locale::unitedStates());
    BackupList list;
    BackupListModel model(list);
    // Written under a locale with a decimal comma and day-first dates.
    list.setTexts(list.append("/a"), {"27.12.2002 12:00:00", "37617,5", "No"});
    // A cut-off that does not read is shown as it stands, for the person to see.
    list.setTexts(list.append("/b"), {"whenever", "soon", "maybe"});
    list.setTexts(list.append("/c"), {"0/0/0 0:00", "0", ""});

    QCOMPARE(cell(model, 0, BackupListModel::ColumnFolder), QStringLiteral("/a"));
    QCOMPARE(cell(model, 0, BackupListModel::ColumnDateTime), QStringLiteral("12/27/2002 12:00:00 PM"));
    QCOMPARE(cell(model, 0, BackupListModel::ColumnFloat), QStringLiteral("37617.5"));
    QCOMPARE(cell(model, 0, BackupListModel::ColumnSubDir), QStringLiteral("No"));
    QCOMPARE(list.at(0).text(TextFloat), std::string("37617,5")); // the file's line stays as it was

    QCOMPARE(cell(model, 1, BackupListModel::ColumnDateTime), QStringLiteral("whenever"));
    QCOMPARE(cell(model, 1, BackupListModel::ColumnFloat), QStringLiteral("soon"));
    QCOMPARE(cell(model, 1, BackupListModel::ColumnSubDir), QStringLiteral("Yes"));

    QCOMPARE(cell(model, 2, BackupListModel::ColumnDateTime), QStringLiteral("0/0/0 0:00"));
    QCOMPARE(cell(model, 2, BackupListModel::ColumnFloat), QStringLiteral("0"));
    QCOMPARE(cell(model, 2, BackupListModel::ColumnSubDir), QString());
}

QTEST_MAIN(ListModelTest)
#include "listmodel_test.moc"

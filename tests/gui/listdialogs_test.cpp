// The cut-off date dialog, the "Include Folders?" dialog and the message
// boxes, driven through their real widgets.
#include "FixedClock.h"
#include "gui/FileDialog.h"
#include "gui/MessageBox.h"
#include "gui/TDatePickForm.h"
#include "gui/TIncFolderForm.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <utime.h>

using namespace quillarc;

namespace {

QDateTime local(int y, int mo, int d, int h = 12, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// Presses a key on whichever modal box comes up next; bounded by the test's
// own timeout should no box appear.
void pressOnNextModal(Qt::Key key)
{
    QTimer::singleShot(0, [key] {
        QWidget *box = QApplication::activeModalWidget();
        if (box)
            QTest::keyClick(box, key);
    });
}

} // namespace

class ListDialogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensOnNowAndAcceptsIt();
    void twelveHourClock_data();
    void twelveHourClock();
    void dayAfterTodayPullsBack();
    void laterMonthByYearStepPullsBack();
    void january1945Limits();
    void monthAndYearSteps_data();
    void monthAndYearSteps();
    void nextMonthStopsAtThisMonth();
    void allFileTimesAndCancel();
    void fileTime();
    void fileTimeOfVanishedFile();

    void includeFolders();

    void confirmBox();
    void noticeAndErrorBoxes();
    void errorText_data();
    void errorText();
};

void ListDialogsTest::opensOnNowAndAcceptsIt()
{
    FixedClock clock(local(2002, 12, 27, 15, 4, 9));
    TDatePickForm form(nullptr, &clock);
    form.show();
    QCOMPARE(form.windowTitle(),
             QStringLiteral("Select the cut off date for selecting files to include in the Backup File"));
    QCOMPARE(form.Edit1->text(), QStringLiteral("December 27, 2002"));
    QCOMPARE(form.HourSpinEdit->value(), 3);
    QCOMPARE(form.MinuteSpinEdit->text(), QStringLiteral("04"));
    QCOMPARE(form.SecondSpinEdit->text(), QStringLiteral("09"));
    QCOMPARE(form.AMPMComboBox->currentText(), QStringLiteral("PM"));
    QVERIFY(form.PrevYearButton->isEnabled());
    QVERIFY(form.prevMonthButton->isEnabled());
    QVERIFY(!form.nextyearButton->isEnabled());
    QVERIFY(!form.NextMonthButton->isEnabled());

    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QCOMPARE(form.result(), TDatePickForm::Accepted);
    QCOMPARE(form.PickedDateTime(), EncodeDate(2002, 12, 27) + EncodeTime(15, 4, 9));
}

void ListDialogsTest::twelveHourClock_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("shownHour");
    QTest::addColumn<QString>("ampm");
    QTest::newRow("00:30") << 0 << 12 << "AM";
    QTest::newRow("01:30") << 1 << 1 << "AM";
    QTest::newRow("11:30") << 11 << 11 << "AM";
    QTest::newRow("12:30") << 12 << 12 << "PM";
    QTest::newRow("23:30") << 23 << 11 << "PM";
}

void ListDialogsTest::twelveHourClock()
{
    QFETCH(int, hour);
    FixedClock clock(local(2020, 2, 29, hour, 30, 5));
    TDatePickForm form(nullptr, &clock);
    form.show();
    QTEST(form.HourSpinEdit->value(), "shownHour");
    QTEST(form.AMPMComboBox->currentText(), "ampm");
    QCOMPARE(form.MinuteSpinEdit->text(), QStringLiteral("30"));
    QCOMPARE(form.SecondSpinEdit->text(), QStringLiteral("05"));
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QCOMPARE(form.PickedDateTime(), EncodeDate(2020, 2, 29) + EncodeTime(hour, 30, 5));
}

void ListDialogsTest::dayAfterTodayPullsBack()
{
    FixedClock clock(local(2002, 12, 27));
    TDatePickForm form(nullptr, &clock);
    form.show();
    form.Calendar->setSelectedDate(QDate(2002, 12, 30)); // as a click on the 30th does
    QCOMPARE(form.calendarDate(), QDate(2002, 12, 27));
    QCOMPARE(form.Edit1->text(), QStringLiteral("December 27, 2002"));
    form.Calendar->setSelectedDate(QDate(2002, 12, 3));
    QCOMPARE(form.calendarDate(), QDate(2002, 12, 3));
    QCOMPARE(form.Edit1->text(), QStringLiteral("December 3, 2002"));
}

void ListDialogsTest::laterMonthByYearStepPullsBack()
{
    FixedClock clock(local(2002, 6, 15));
    TDatePickForm form(nullptr, &clock);
    form.show();
    form.Calendar->setSelectedDate(QDate(2001, 9, 10));
    QVERIFY(form.nextyearButton->isEnabled());
    QTest::mouseClick(form.nextyearButton, Qt::LeftButton);
    QCOMPARE(form.calendarDate(), QDate(2002, 6, 15));
    QVERIFY(!form.nextyearButton->isEnabled());
    QVERIFY(!form.NextMonthButton->isEnabled());
}

void ListDialogsTest::january1945Limits()
{
    FixedClock clock(local(2002, 12, 27));
    TDatePickForm form(nullptr, &clock);
    form.show();
    form.Calendar->setSelectedDate(QDate(1946, 2, 10));
    QTest::mouseClick(form.PrevYearButton, Qt::LeftButton);
    QCOMPARE(form.calendarDate(), QDate(1945, 2, 10));
    QVERIFY(!form.PrevYearButton->isEnabled());
    QVERIFY(form.prevMonthButton->isEnabled());
    QVERIFY(form.nextyearButton->isEnabled());
    QVERIFY(form.NextMonthButton->isEnabled());
    QTest::mouseClick(form.prevMonthButton, Qt::LeftButton);
    QCOMPARE(form.calendarDate(), QDate(1945, 1, 10));
    QVERIFY(!form.PrevYearButton->isEnabled());
    QVERIFY(!form.prevMonthButton->isEnabled());
    // The calendar itself does not go further back either.
    form.Calendar->setSelectedDate(QDate(1944, 12, 31));
    QCOMPARE(form.calendarDate(), QDate(1945, 1, 1));
    QTest::mouseClick(form.NextMonthButton, Qt::LeftButton);
    QCOMPARE(form.calendarDate(), QDate(1945, 2, 1));
    QVERIFY(form.prevMonthButton->isEnabled());
}

void ListDialogsTest::monthAndYearSteps_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QDate>("to");
    QTest::newRow("31 March leap year") << QDate(2004, 3, 31) << "prevMonth" << QDate(2004, 2, 29);
    QTest::newRow("31 March common year") << QDate(2003, 3, 31) << "prevMonth" << QDate(2003, 2, 28);
    QTest::newRow("across the year end") << QDate(2001, 1, 15) << "prevMonth" << QDate(2000, 12, 15);
    QTest::newRow("31 January forward") << QDate(2001, 1, 31) << "nextMonth" << QDate(2001, 2, 28);
    QTest::newRow("29 February plus a year") << QDate(2000, 2, 29) << "nextYear" << QDate(2001, 2, 28);
    QTest::newRow("29 February minus a year") << QDate(2000, 2, 29) << "prevYear" << QDate(1999, 2, 28);
}

void ListDialogsTest::monthAndYearSteps()
{
    QFETCH(QDate, from);
    QFETCH(QString, button);
    FixedClock clock(local(2010, 6, 15));
    TDatePickForm form(nullptr, &clock);
    form.show();
    form.Calendar->setSelectedDate(from);
    QPushButton *target = button == "prevMonth"   ? form.prevMonthButton
                          : button == "nextMonth" ? form.NextMonthButton
                          : button == "nextYear"  ? form.nextyearButton
                                                  : form.PrevYearButton;
    QTest::mouseClick(target, Qt::LeftButton);
    QTEST(form.calendarDate(), "to");
    QCOMPARE(form.Edit1->text(), TDatePickForm::GetMonthText(form.calendarDate()));
}

void ListDialogsTest::nextMonthStopsAtThisMonth()
{
    FixedClock clock(local(2002, 12, 27));
    TDatePickForm form(nullptr, &clock);
    form.show();
    form.Calendar->setSelectedDate(QDate(2002, 11, 30));
    QVERIFY(form.NextMonthButton->isEnabled());
    QVERIFY(!form.nextyearButton->isEnabled());
    QTest::mouseClick(form.NextMonthButton, Qt::LeftButton);
    QCOMPARE(form.calendarDate(), QDate(2002, 12, 27)); // the 30th is after today
    QVERIFY(!form.NextMonthButton->isEnabled());
}

void ListDialogsTest::allFileTimesAndCancel()
{
    FixedClock clock(local(2002, 12, 27));
    {
        TDatePickForm form(nullptr, &clock);
        form.show();
        QTest::mouseClick(form.Button3, Qt::LeftButton);
        QCOMPARE(form.Button3->text(), QStringLiteral("ALL  FILE TIMES"));
        QCOMPARE(form.result(), 255);
        QCOMPARE(form.PickedDateTime(), 0.0);
    }
    {
        TDatePickForm form(nullptr, &clock);
        form.show();
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.result(), -1);
    }
    {
        TDatePickForm form(nullptr, &clock);
        form.show();
        QTest::keyClick(&form, Qt::Key_Escape);
        QCOMPARE(form.result(), -1);
    }
}

void ListDialogsTest::fileTime()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("archive.zip");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    struct utimbuf times {};
    times.modtime = times.actime = local(2010, 5, 6, 7, 8, 9).toSecsSinceEpoch();
    QVERIFY(::utime(QFile::encodeName(path).constData(), &times) == 0);

    FixedClock clock(local(2012, 1, 1));
    TDatePickForm form(nullptr, &clock);
    form.show();
    FileDialog::Script chooser;
    chooser.answer(QString()); // cancelled: the dialog stays as it is
    chooser.answer(path);
    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    QVERIFY(form.isVisible());
    QCOMPARE(form.result(), 0);
    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    QCOMPARE(chooser.titles(), QStringList(2, QStringLiteral("Open File to Find File Time")));
    QCOMPARE(form.result(), 255);
    QCOMPARE(form.PickedDateTime(), EncodeDate(2010, 5, 6) + EncodeTime(7, 8, 8)); // even seconds
}

void ListDialogsTest::fileTimeOfVanishedFile()
{
    FixedClock clock(local(2012, 1, 1));
    TDatePickForm form(nullptr, &clock);
    form.show();
    FileDialog::Script chooser;
    chooser.answer(QStringLiteral("/nonexistent/gone.zip"));
    MessageBox::Script boxes;
    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    const auto shown = boxes.take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Error);
    QCOMPARE(shown[0].text, QStringLiteral("Invalid argument to date encode."));
    QVERIFY(form.isVisible());
    QCOMPARE(form.result(), 0);
}

void ListDialogsTest::includeFolders()
{
    {
        TIncFolderForm form;
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("Include Folders?"));
        QCOMPARE(form.ItemIndex(), 0);
        QVERIFY(form.subFolders() == SubFolders::Included);
        QTest::mouseClick(form.excludeChoice, Qt::LeftButton);
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.ItemIndex(), 1);
        QVERIFY(form.subFolders() == SubFolders::Excluded);
    }
    {
        // Closed with Escape: the choice is read all the same.
        TIncFolderForm form;
        form.show();
        QTest::keyClick(&form, Qt::Key_Escape);
        QCOMPARE(form.ItemIndex(), 0);
    }
}

void ListDialogsTest::confirmBox()
{
    auto box = MessageBox::build(MessageBox::Kind::Confirm, nullptr, QStringLiteral("REMOVE THIS ITEM FROM THE LIST?"));
    QCOMPARE(box->windowTitle(), QStringLiteral("Confirm"));
    QCOMPARE(box->icon(), QMessageBox::Question);
    QCOMPARE(box->buttons().size(), 2);
    QCOMPARE(box->defaultButton()->text(), QStringLiteral("&Yes"));
    QCOMPARE(box->escapeButton()->text(), QStringLiteral("Cancel"));

    // The real box: Enter takes the default Yes, Escape is Cancel.
    pressOnNextModal(Qt::Key_Return);
    QVERIFY(MessageBox::confirm(nullptr, QStringLiteral("SET ALL ITEMS TO THIS DATE?")));
    pressOnNextModal(Qt::Key_Escape);
    QVERIFY(!MessageBox::confirm(nullptr, QStringLiteral("SET ALL ITEMS TO THIS DATE?")));

    MessageBox::Script script;
    script.answer(true);
    QVERIFY(MessageBox::confirm(nullptr, QStringLiteral("A?")));
    QVERIFY(!MessageBox::confirm(nullptr, QStringLiteral("B?"))); // nothing queued: Cancel
    const auto shown = script.take();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].caption, QStringLiteral("Confirm"));
    QCOMPARE(shown[1].text, QStringLiteral("B?"));
}

void ListDialogsTest::noticeAndErrorBoxes()
{
    auto notice = MessageBox::build(MessageBox::Kind::Notice, nullptr, QStringLiteral("LINE ONE\rLINE TWO"));
    QCOMPARE(notice->windowTitle(), QStringLiteral("Quillarc"));
    QCOMPARE(notice->icon(), QMessageBox::NoIcon);
    QCOMPARE(notice->buttons().size(), 1);
    QCOMPARE(notice->text(), QStringLiteral("LINE ONE\nLINE TWO"));
    auto error = MessageBox::build(MessageBox::Kind::Error, nullptr, QStringLiteral("x"));
    QCOMPARE(error->windowTitle(), QStringLiteral("Quillarc"));
    QCOMPARE(error->icon(), QMessageBox::Critical);

    pressOnNextModal(Qt::Key_Return);
    MessageBox::notice(nullptr, QStringLiteral("NO BACKUP VOLUME INSERTED"));
}

void ListDialogsTest::errorText_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("ends in a letter") << "Invalid argument to date encode"
                                      << "Invalid argument to date encode.";
    QTest::newRow("ends in !") << "Can't load USER.EXE!"
                               << "Can't load USER.EXE!";
    QTest::newRow("ends in a full stop") << "Disk full."
                                         << "Disk full.";
    QTest::newRow("ends in a digit") << "I/O error 5"
                                     << "I/O error 5.";
}

void ListDialogsTest::errorText()
{
    QFETCH(QString, in);
    QTEST(MessageBox::errorText(in), "out");
}

QTEST_MAIN(ListDialogsTest)
#include "listdialogs_test.moc"

// What a new user noticed in the dialogs around the main window: dark
// themes, a disabled OK, gauges, memo line breaks.
#include "gui/MemoText.h"
#include "gui/TDatePickForm.h"
#include "gui/TStartmenuForm.h"
#include "gui/controls/TRarBar.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace quillarc;

class MainWindowPolishTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void memoKeepsBreaksWhereTheyFit_data();
    void memoKeepsBreaksWhereTheyFit();
    void fixedTextsStayLegibleUnderDarkTheme();
    void disabledOkLooksDisabled();
    void gaugePercentageGetsLegibleBackground_data();
    void gaugePercentageGetsLegibleBackground();
};

void MainWindowPolishTest::memoKeepsBreaksWhereTheyFit_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    const QFontMetrics metrics(QApplication::font());
    const int wide = metrics.horizontalAdvance(QStringLiteral("a cut off date, second line")) + 4;
    QTest::newRow("room") << wide << QStringLiteral("first line\na cut off date, second line\n\nafter a gap");
    QTest::newRow("narrow") << wide / 2 << QStringLiteral("first line a cut off date, second line \n\nafter a gap");
}

void MainWindowPolishTest::memoKeepsBreaksWhereTheyFit()
{
    QFETCH(int, width);
    QFETCH(QString, expected);
    const QStringList lines {"first line", "a cut off date, second line ", "", "after a gap"};
    QCOMPARE(memoText(lines, QFontMetrics(QApplication::font()), width), expected);
}

void MainWindowPolishTest::fixedTextsStayLegibleUnderDarkTheme()
{
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::ToolTipBase, QPalette::Button})
        dark.setColor(role, QColor(35, 35, 35));
    QApplication::setPalette(dark);
    {
        TDatePickForm date;
        // Black memo and weekend texts on light backgrounds of their own.
        QCOMPARE(date.Memo1->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(date.Memo1->palette().color(QPalette::Text), QColor(Qt::black));
        QCOMPARE(date.Calendar->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(date.Calendar->weekdayTextFormat(Qt::Sunday).foreground().color(), QColor(Qt::black));
        TStartmenuForm links;
        QVERIFY(links.palette().color(QPalette::Window).lightness() > 200);
    }
    QApplication::setPalette(light);
}

void MainWindowPolishTest::disabledOkLooksDisabled()
{
    TStartmenuForm links;
    links.StartmenuCheckBox->click(); // the last box unticked: OK goes off
    QVERIFY(!links.OKButton->isEnabled());
    const QPalette pal = links.OKButton->palette();
    QVERIFY(pal.color(QPalette::Disabled, QPalette::ButtonText) != pal.color(QPalette::Active, QPalette::ButtonText));
    // The dialog's green does not reach the buttons.
    QVERIFY(pal.color(QPalette::Active, QPalette::ButtonText) != QColor(0, 128, 0));
}

void MainWindowPolishTest::gaugePercentageGetsLegibleBackground_data()
{
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("purple on light") << QColor(128, 0, 128) << QColor(255, 255, 225) << QColor(255, 255, 225);
    QTest::newRow("purple on dark") << QColor(128, 0, 128) << QColor(40, 40, 40) << QColor(Qt::white);
    QTest::newRow("white on white") << QColor(Qt::white) << QColor(250, 250, 250) << QColor(Qt::black);
}

void MainWindowPolishTest::gaugePercentageGetsLegibleBackground()
{
    QFETCH(QColor, text);
    QFETCH(QColor, background);
    QFETCH(QColor, expected);
    QCOMPARE(legibleBehind(text, background), expected);
}

QTEST_MAIN(MainWindowPolishTest)
#include "mainwindow_polish_test.moc"

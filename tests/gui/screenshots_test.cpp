// Renders every window of the program to a PNG for a person to look at.
// Runs only when QUILLARC_SCREENSHOTS names a folder to write into.
#include "FixedClock.h"
#include "gui/TDatePickForm.h"
#include "gui/TIncFolderForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"

#include <QDir>
#include <QTest>

using namespace quillarc;

class ScreenshotsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void controls();
    void datePick();
    void includeFolders();

private:
    void save(QWidget &widget, const QString &name);
    QDir out;
};

void ScreenshotsTest::initTestCase()
{
    const QString folder = qEnvironmentVariable("QUILLARC_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("set QUILLARC_SCREENSHOTS to a folder to write the screenshots into");
    QVERIFY(QDir().mkpath(folder));
    out = QDir(folder);
}

void ScreenshotsTest::save(QWidget &widget, const QString &name)
{
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QVERIFY(widget.grab().save(out.filePath(name + ".png")));
}

void ScreenshotsTest::controls()
{
    QWidget window;
    window.resize(420, 200);
    int x = 10;
    for (int progress : {0, 33, 100}) {
        auto *bar = new TRarBar(&window);
        bar->setGeometry(x, 10, 60, 180);
        bar->setProgress(progress);
        x += 70;
    }
    int y = 10;
    for (auto colour : {ccOrange, ccNeonGreen, ccPepermint, ccRose}) {
        auto *button = new TGlossButton(&window);
        button->setGeometry(230, y, 94, 41);
        button->setCustomColor(colour);
        button->setCaption(QStringLiteral("Backup"));
        y += 46;
    }
    auto *disabled = new TGlossButton(&window);
    disabled->setGeometry(330, 10, 57, 25);
    disabled->setCustomColor(ccNeonGreen);
    disabled->setCaption(QStringLiteral("Help"));
    disabled->setEnabled(false);
    save(window, "controls");
    QVERIFY(window.grab().toImage().scaled(840, 400).save(out.filePath("controls-x2.png")));
}

void ScreenshotsTest::datePick()
{
    FixedClock clock(QDateTime(QDate(2002, 12, 27), QTime(15, 4, 9)));
    TDatePickForm form(nullptr, &clock);
    save(form, "date-pick");
}

void ScreenshotsTest::includeFolders()
{
    TIncFolderForm form;
    save(form, "include-folders");
}

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"

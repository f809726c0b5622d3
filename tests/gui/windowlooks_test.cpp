// The main window and its dialogs as a person meets them: what the columns,
// the window's place and size, the title bars, the buttons and the fields
// look like, where the focus goes, and a word wherever a command cannot do
// what was asked.
#include "Contrast.h"
#include "GuiTestHelpers.h"
#include "MainWindowRig.h"
#include "ModalScript.h"
#include "gui/Fonts.h"
#include "gui/ListFontDialog.h"
#include "gui/MessageBox.h"
#include "gui/TDatePickForm.h"
#include "gui/TIncFolderForm.h"
#include "gui/TProgressForm.h"
#include "gui/TStartMenuTreeForm.h"
#include "gui/TStartmenuForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/LowerCaseEdit.h"
#include "gui/mainwindow/WindowPlacement.h"
#include "lists/ProgramConfig.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <sys/file.h>

using namespace quillarc;

namespace {

constexpr int kPassTimeoutMs = 30000;
// Set in the copy of this test that runs at a scale factor of 2.
const char *const kScaleChildFolder = "QUILLARC_SCALE_CHILD_PROGRAM_FOLDER";

using Window = OpenWindow;

void writeConfig(MainWindowRig &rig, const ProgramConfig &config)
{
    SAvePConfigFile((rig.programFolder + "config").toStdString(), config);
}

ProgramConfig savedConfig(MainWindowRig &rig)
{
    ProgramConfig config;
    LoadPConfigFile((rig.programFolder + "config").toStdString(), config);
    return config;
}

// The caption of a gloss button against what lies behind it: its darkest
// pixel against the same pixel of the button without a caption.
double captionContrast(const QImage &image, const QImage &bare)
{
    QPoint darkest;
    double lowest = 2;
    for (int y = 0; y < image.height(); ++y)
        for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x)
            if (image.pixel(x, y) != bare.pixel(x, y) && luminance(image.pixelColor(x, y)) < lowest) {
                lowest = luminance(image.pixelColor(x, y));
                darkest = QPoint(x, y);
            }
    return contrast(image.pixelColor(darkest), bare.pixelColor(darkest));
}

double meanSaturation(const QImage &image)
{
    double sum = 0;
    int count = 0;
    for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y)
        for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x) {
            sum += image.pixelColor(x, y).hsvSaturationF();
            ++count;
        }
    return sum / count;
}

QPalette darkPalette()
{
    QPalette dark = QApplication::palette();
    for (auto role :
         {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::ToolTipBase, QPalette::AlternateBase})
        dark.setColor(role, QColor(45, 45, 48));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        dark.setColor(role, QColor(230, 230, 230));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(120, 120, 120));
    return dark;
}

/// Puts a palette on the application for as long as it lives.
class ScopedPalette {
public:
    explicit ScopedPalette(const QPalette &palette) : m_old(QApplication::palette())
    {
        QApplication::setPalette(palette);
    }
    ~ScopedPalette() { QApplication::setPalette(m_old); }

private:
    QPalette m_old;
};

} // namespace

class WindowLooksTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnsStartAtTheirDesignWidthsAndKeepThePersonsOwn();
    void placeAndSizeComeBackAsLeft();
    void reachablePlace_data();
    void reachablePlace();
    void placeRememberedThroughALateFrame_data();
    void placeRememberedThroughALateFrame();
    void fittedSizeLeavesRoomForTheFrame();
    void sizeAskedForOutlivesASmallerScreen();
    void sizeSurvivesAStartAtScaleTwo();
    void dialogsNameOnlyTheirCloseBoxWhichCancels_data();
    void dialogsNameOnlyTheirCloseBoxWhichCancels();
    void closingTheProgressWindowAborts();
    void disabledGlossButtonReadsAsDisabledAndStaysLegible_data();
    void disabledGlossButtonReadsAsDisabledAndStaysLegible();
    void captionsKeepClearOfThePillEnds_data();
    void captionsKeepClearOfThePillEnds();
    void freeLineShowsFourTerabytesWhole();
    void treeDialogTextKeepsClearOfTheEdge();
    void dateArrowsLookTheSameUnderADarkTheme();
    void linkDialogTextsStayLegibleUnderADarkTheme();
    void mainWindowKeepsItsOwnColoursUnderADarkTheme();
    void fontChoiceCarriesAColourAndGivesTheListTheFocus();
    void focusAfterAPassIsOnTheList();
    void noticeAfterMissedFilesOpensTheLog();
    void commandsThatCannotOpenSaySo_data();
    void commandsThatCannotOpenSaySo();
    void desktopLinkWithoutADesktopFolderSaysSo();
};

void WindowLooksTest::columnsStartAtTheirDesignWidthsAndKeepThePersonsOwn()
{
    MainWindowRig rig;
    MessageBox::Script boxes;
    ModalScript script;
    script.then<TStartmenuForm>([](TStartmenuForm &form) { click(form.CancelButton); });
    {
        Window first(rig); // no config: a first run
        QTableView *list = first.form.ui().ListView;
        QCOMPARE(list->columnWidth(0), 510);
        QCOMPARE(list->columnWidth(1), 150);
        QCOMPARE(list->columnWidth(2), 110);
        QCOMPARE(list->columnWidth(3), 50);
        list->setColumnWidth(0, 600);
        first.form.close();
    }
    Window again(rig);
    QCOMPARE(again.form.ui().ListView->columnWidth(0), 600);
    QCOMPARE(again.form.ui().ListView->columnWidth(1), 150);
}

void WindowLooksTest::placeAndSizeComeBackAsLeft()
{
    MainWindowRig rig;
    rig.writeConfig(QStringLiteral("Choose backup CD"));
    MessageBox::Script boxes;
    {
        Window first(rig);
        first.form.move(80, 90);
        first.form.resize(700, 480);
        QTRY_COMPARE(first.form.pos(), QPoint(80, 90));
        first.form.close();
    }
    TQLForm again(rig.environment());
    QSignalSpy settled(&again, &TQLForm::placeSettled);
    again.show();
    QTRY_COMPARE(again.pos(), QPoint(80, 90));
    QCOMPARE(again.size(), QSize(700, 480));
    // Still there once the window manager's frame has settled.
    QTRY_COMPARE_WITH_TIMEOUT(settled.count(), 1, 10000);
    QCOMPARE(again.pos(), QPoint(80, 90));
}

void WindowLooksTest::reachablePlace_data()
{
    // Frames include the title bar.
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QPoint>("expected");
    const QList<QRect> one {QRect(0, 0, 1280, 800)};
    const QList<QRect> two {QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)};
    const QList<QRect> halfScale {QRect(0, 0, 960, 540)};
    QTest::newRow("on the screen") << one << QRect(100, 100, 700, 500) << QPoint(100, 100);
    QTest::newRow("title bar above the top") << one << QRect(0, -25, 700, 500) << QPoint(0, 0);
    QTest::newRow("on a screen since unplugged") << one << QRect(2000, 100, 700, 500) << QPoint(580, 100);
    QTest::newRow("on the second screen") << two << QRect(1500, 200, 700, 500) << QPoint(1500, 200);
    QTest::newRow("across both screens, mostly the second") << two << QRect(1200, 200, 700, 500) << QPoint(1280, 200);
    QTest::newRow("only a sliver on the left") << one << QRect(-690, 50, 700, 500) << QPoint(0, 50);
    QTest::newRow("under a top panel") << QList<QRect> {QRect(0, 28, 1280, 772)} << QRect(0, 0, 700, 500)
                                       << QPoint(0, 28);
    QTest::newRow("saved at scale 1, opened at scale 2") << halfScale << QRect(800, 400, 700, 500) << QPoint(260, 40);
    QTest::newRow("bottom below the screen") << one << QRect(100, 500, 700, 500) << QPoint(100, 300);
    QTest::newRow("taller than the screen") << halfScale << QRect(100, 30, 700, 572) << QPoint(100, 0);
}

void WindowLooksTest::reachablePlace()
{
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, frame);
    QFETCH(QPoint, expected);
    QCOMPARE(quillarc::reachablePlace(frame, screens), expected);
}

void WindowLooksTest::placeRememberedThroughALateFrame_data()
{
    QTest::addColumn<QPoint>("now");
    QTest::addColumn<QPoint>("remembered");
    const QPoint asked(170, 170);
    QTest::newRow("where it was put") << asked << asked;
    QTest::newRow("framed late, reported a title bar higher") << QPoint(165, 150) << asked;
    QTest::newRow("framed late, reported a title bar lower") << QPoint(175, 190) << asked;
    QTest::newRow("the title bar alone") << QPoint(170, 150) << asked;
    QTest::newRow("moved by the person") << QPoint(300, 220) << QPoint(300, 220);
    QTest::newRow("moved a little") << QPoint(171, 170) << QPoint(171, 170);
}

void WindowLooksTest::placeRememberedThroughALateFrame()
{
    QFETCH(QPoint, now);
    QFETCH(QPoint, remembered);
    QCOMPARE(placeToRemember(QPoint(170, 170), now, QMargins(5, 20, 5, 5)), remembered);
}

void WindowLooksTest::fittedSizeLeavesRoomForTheFrame()
{
    // A height fitted to the screen still leaves the title bar on it.
    QCOMPARE(fittedSize(QSize(790, 540), QSize(960, 540), QMargins(4, 30, 4, 4)), QSize(790, 506));
    QCOMPARE(fittedSize(QSize(790, 540), QSize(1920, 1080), QMargins(4, 30, 4, 4)), QSize(790, 540));
    QCOMPARE(fittedSize(QSize(790, 540), QSize(640, 400)), QSize(640, 400));
}

void WindowLooksTest::sizeAskedForOutlivesASmallerScreen()
{
    // A saved size larger than the screen is fitted to it, and stays what
    // the config holds for a larger screen later.
    MainWindowRig rig;
    ProgramConfig config;
    config.windowWidth = 2400;
    config.windowHeight = 1800;
    writeConfig(rig, config);
    MessageBox::Script boxes;
    {
        Window window(rig);
        const QSize screen = window.form.screen()->availableGeometry().size();
        QVERIFY2(window.form.width() <= screen.width() && window.form.height() <= screen.height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(window.form.width()).arg(window.form.height())));
        window.form.close();
    }
    QCOMPARE(savedConfig(rig).windowWidth, 2400);
    QCOMPARE(savedConfig(rig).windowHeight, 1800);
    {
        Window window(rig);
        window.form.resize(640, 400); // the person's own size is kept
        window.form.close();
    }
    QCOMPARE(savedConfig(rig).windowWidth, 640);
    QCOMPARE(savedConfig(rig).windowHeight, 400);
}

void WindowLooksTest::sizeSurvivesAStartAtScaleTwo()
{
    const QString childFolder = qEnvironmentVariable(kScaleChildFolder);
    if (!childFolder.isEmpty()) {
        // The copy at scale 2: a first run in the parent's program folder.
        MainWindowRig rig;
        rig.programFolder = childFolder;
        MessageBox::Script boxes;
        ModalScript script;
        script.then<TStartmenuForm>([](TStartmenuForm &form) { click(form.CancelButton); });
        Window window(rig);
        window.form.move(6, 20);
        QTRY_COMPARE(window.form.pos(), QPoint(6, 20));
        window.form.close();
        return;
    }
    MainWindowRig rig;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QString::fromLatin1(kScaleChildFolder), rig.programFolder);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("sizeSurvivesAStartAtScaleTwo")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);
    // At scale 2 the offscreen screen is half as large: the window was
    // fitted to it, yet the config keeps the design size for a start at scale 1.
    QCOMPARE(savedConfig(rig).windowWidth, 790);
    QCOMPARE(savedConfig(rig).windowHeight, 540);
    // The place, in the desktop's own units, comes back at scale 1 too.
    QCOMPARE(savedConfig(rig).windowLeft, 6);
    QCOMPARE(savedConfig(rig).windowTop, 20);
    MessageBox::Script boxes;
    Window window(rig);
    QCOMPARE(window.form.size(), QSize(790, 540));
    QTRY_COMPARE(window.form.pos(), QPoint(6, 20));
}

void WindowLooksTest::dialogsNameOnlyTheirCloseBoxWhichCancels_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::newRow("date") << QStringLiteral("date");
    QTest::newRow("include folders") << QStringLiteral("include");
    QTest::newRow("links") << QStringLiteral("links");
    QTest::newRow("links tree") << QStringLiteral("tree");
    QTest::newRow("font") << QStringLiteral("font");
}

void WindowLooksTest::dialogsNameOnlyTheirCloseBoxWhichCancels()
{
    QFETCH(QString, dialog);
    std::unique_ptr<QDialog> window;
    int cancelled = OneUseDialog::Cancelled;
    if (dialog == "date") {
        window = std::make_unique<TDatePickForm>();
    } else if (dialog == "include") {
        auto include = std::make_unique<TIncFolderForm>();
        include->excludeChoice->setChecked(true);
        window = std::move(include);
        cancelled = -2; // no cancel: its caller reads the choice however it closed
    } else if (dialog == "links") {
        window = std::make_unique<TStartmenuForm>();
    } else if (dialog == "tree") {
        window = std::make_unique<TStartMenuTreeForm>();
    } else {
        window = std::make_unique<ListFontDialog>(nullptr, QApplication::font(), Qt::black);
        cancelled = QDialog::Rejected;
    }
    // Qt tells the window manager which buttons a window has only when the
    // close box is among them; otherwise the desktop adds all of its own.
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->close();
    QVERIFY(!window->isVisible());
    if (cancelled != -2)
        QCOMPARE(window->result(), cancelled);
    else
        QVERIFY(static_cast<TIncFolderForm *>(window.get())->excludeChoice->isChecked());
}

void WindowLooksTest::closingTheProgressWindowAborts()
{
    TProgressForm progress;
    QVERIFY(progress.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(progress.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QSignalSpy aborts(&progress, &TProgressForm::abortRequested);
    progress.show();
    QVERIFY(QTest::qWaitForWindowExposed(&progress));
    QVERIFY(!progress.close());
    QCOMPARE(aborts.count(), 1);
    // It goes when the pass has ended, as after ABORT.
    QVERIFY(progress.isVisible());
}

void WindowLooksTest::disabledGlossButtonReadsAsDisabledAndStaysLegible_data()
{
    QTest::addColumn<int>("colour");
    QTest::addColumn<QColor>("caption");
    QTest::addColumn<QColor>("background");
    const QColor green(0, 128, 0);
    const QColor light(240, 240, 240);
    const QColor dark(45, 45, 48);
    QTest::newRow("Add Folder on the panel") << int(ccOrange) << green << green;
    QTest::newRow("Backup on the panel") << int(ccPepermint) << QColor(Qt::black) << green;
    QTest::newRow("STOP on the panel") << int(ccRose) << QColor(Qt::white) << green;
    QTest::newRow("Help on the panel") << int(ccNeonGreen) << QColor(Qt::black) << green;
    QTest::newRow("ABORT on a light window") << int(ccRose) << QColor(Qt::white) << light;
    QTest::newRow("ABORT on a dark window") << int(ccRose) << QColor(Qt::white) << dark;
    QTest::newRow("Help on a dark window") << int(ccNeonGreen) << QColor(Qt::black) << dark;
}

void WindowLooksTest::disabledGlossButtonReadsAsDisabledAndStaysLegible()
{
    QFETCH(int, colour);
    QFETCH(QColor, caption);
    QFETCH(QColor, background);
    QWidget panel;
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, background);
    panel.setPalette(pal);
    panel.setAutoFillBackground(true);
    auto *button = new TGlossButton(&panel);
    button->setGeometry(5, 5, 94, 41);
    button->setCustomColor(static_cast<TGlossCustomColor>(colour));
    button->setFontColor(caption);
    button->setCaption(QStringLiteral("Backup"));
    const QImage enabled = button->composeImage(1);
    button->setEnabled(false);
    const QImage disabled = button->composeImage(1);
    button->setCaption({});
    const QImage bare = button->composeImage(1);

    const double legible = captionContrast(disabled, bare);
    QVERIFY2(legible >= 3.0, qPrintable(QString::number(legible)));
    // Off reads as off: the face loses most of its colour.
    QVERIFY2(meanSaturation(disabled) < meanSaturation(enabled) / 2,
             qPrintable(QStringLiteral("%1 against %2").arg(meanSaturation(disabled)).arg(meanSaturation(enabled))));
}

void WindowLooksTest::captionsKeepClearOfThePillEnds_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("pixels");
    QTest::newRow("Add Folder") << QStringLiteral("Add Folder") << QSize(94, 41) << 13;
    QTest::newRow("Add File") << QStringLiteral("Add File") << QSize(94, 41) << 13;
    QTest::newRow("Help") << QStringLiteral("Help") << QSize(57, 25) << 13;
    QTest::newRow("Links") << QStringLiteral("Links") << QSize(57, 25) << 13;
    QTest::newRow("Software") << QStringLiteral("Software") << QSize(90, 25) << 13;
    QTest::newRow("Resources") << QStringLiteral("Resources") << QSize(136, 25) << 13;
    // A desktop whose face runs wider than ours.
    QTest::newRow("Links, wide face") << QStringLiteral("Links") << QSize(57, 25) << 17;
    QTest::newRow("Add Folder, wide face") << QStringLiteral("Add Folder") << QSize(94, 41) << 17;
}

void WindowLooksTest::captionsKeepClearOfThePillEnds()
{
    QFETCH(QString, caption);
    QFETCH(QSize, size);
    QFETCH(int, pixels);
    QWidget panel;
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, QColor(240, 240, 240));
    panel.setPalette(pal);
    panel.setAutoFillBackground(true);
    auto *button = new TGlossButton(&panel);
    button->setGeometry(QRect(QPoint(5, 5), size));
    button->setCustomColor(ccNeonGreen);
    button->setFontColor(Qt::black);
    button->setFont(Fonts::sans(pixels, true));
    button->setCaption(caption);
    const QImage image = button->composeImage(1);
    int left = size.width();
    int right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 40) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    QVERIFY2(right >= 0, "no caption drawn");
    const int margin = size.height() / 4;
    QVERIFY2(left >= margin && right <= size.width() - 1 - margin,
             qPrintable(QStringLiteral("caption spans %1..%2 of %3").arg(left).arg(right).arg(size.width())));
}

void WindowLooksTest::freeLineShowsFourTerabytesWhole()
{
    MainWindowRig rig;
    const std::int64_t fourTerabytes = std::int64_t {4} << 40;
    const QString drive = rig.addDrive(QStringLiteral("big"), QStringLiteral("BIG"), fourTerabytes);
    rig.writeConfig(drive);
    MessageBox::Script boxes;
    Window window(rig);
    QLabel *line = window.form.ui().FreeSpaceStatusBar;
    // Nearly all of the 4 TiB is free: the line holds 13 digits of bytes.
    QVERIFY2(line->text().startsWith(QStringLiteral("439804")) && line->text().endsWith(QStringLiteral(" MB")),
             qPrintable(line->text()));
    const QImage image = line->grab().toImage();
    const QRect inside = line->contentsRect();
    const QColor behind = line->palette().color(line->backgroundRole());
    // Nothing of the text in the last pixels before the field's edge: it
    // ends within the field rather than running off it.
    for (int x = inside.right() - 2; x <= inside.right(); ++x)
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            QVERIFY2(image.pixelColor(x, y) == behind, qPrintable(QStringLiteral("text at %1,%2").arg(x).arg(y)));
}

void WindowLooksTest::treeDialogTextKeepsClearOfTheEdge()
{
    TStartMenuTreeForm tree;
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    for (QLabel *label : tree.findChildren<QLabel *>()) {
        if (label->text() != QStringLiteral("the display to the left"))
            continue;
        const int textRight =
            label->geometry().center().x() + label->fontMetrics().horizontalAdvance(label->text()) / 2;
        QVERIFY2(textRight <= tree.width() - 6,
                 qPrintable(QStringLiteral("text ends at %1 of %2").arg(textRight).arg(tree.width())));
        return;
    }
    QFAIL("no label \"the display to the left\"");
}

void WindowLooksTest::dateArrowsLookTheSameUnderADarkTheme()
{
    const auto pictures = [] {
        TDatePickForm form;
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            qWarning("the date dialog was not shown");
        return QList<QImage> {form.PrevYearButton->grab().toImage(), form.nextyearButton->grab().toImage(),
                              form.BitBtn1->grab().toImage()};
    };
    const QList<QImage> light = pictures();
    QList<QImage> dark;
    {
        ScopedPalette theme(darkPalette());
        dark = pictures();
    }
    // Fixed faces with pictures of their own: a dark theme changes nothing.
    for (int i = 0; i < light.size(); ++i)
        QVERIFY2(light[i] == dark[i], qPrintable(QStringLiteral("button %1 differs").arg(i)));
    // An enabled arrow is green; a disabled one shows no colour at all.
    const auto greenPixels = [](const QImage &image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.green() > c.red() + 60 && c.green() > c.blue() + 60 ? 1 : 0;
            }
        return count;
    };
    QVERIFY(greenPixels(light[0]) > 30);
    QCOMPARE(greenPixels(light[1]), 0);
}

void WindowLooksTest::linkDialogTextsStayLegibleUnderADarkTheme()
{
    ScopedPalette theme(darkPalette());
    TStartmenuForm links;
    TStartMenuTreeForm tree;
    for (QWidget *dialog : {static_cast<QWidget *>(&links), static_cast<QWidget *>(&tree)}) {
        const QColor behind = dialog->palette().color(QPalette::Window);
        for (QLabel *label : dialog->findChildren<QLabel *>()) {
            const QColor text = label->palette().color(QPalette::WindowText);
            QVERIFY2(contrast(text, behind) >= 3.0, qPrintable(label->text()));
        }
    }
}

void WindowLooksTest::mainWindowKeepsItsOwnColoursUnderADarkTheme()
{
    MainWindowRig rig;
    rig.writeConfig(QStringLiteral("Choose backup CD"));
    MessageBox::Script boxes;
    // Each field: the colour behind its text and the text's, as drawn.
    const auto colours = [&rig] {
        Window window(rig);
        QList<QPair<QColor, QColor>> seen;
        for (QWidget *field : QList<QWidget *> {window.form.ui().StatusBar, window.form.ui().StatusBarFolder,
                                                window.form.ui().CDEdit, window.form.ui().Edit2,
                                                window.form.ui().FreeSpaceStatusBar, window.form.ui().filters->extEdit,
                                                window.form.ui().filters->patternEdit, window.form.ui().ListView}) {
            const QPalette pal = field->palette();
            const bool edit = qobject_cast<QLineEdit *>(field) || qobject_cast<QTableView *>(field);
            seen.append({pal.color(edit ? QPalette::Base : field->backgroundRole()),
                         pal.color(edit ? QPalette::Text : field->foregroundRole())});
        }
        window.form.close();
        return seen;
    };
    const auto light = colours();
    QList<QPair<QColor, QColor>> dark;
    {
        ScopedPalette theme(darkPalette());
        dark = colours();
    }
    for (int i = 0; i < light.size(); ++i) {
        QVERIFY2(contrast(dark[i].first, dark[i].second) >= 4.5, qPrintable(QString::number(i)));
        // One look under any theme: no field half dark in a pale window.
        QCOMPARE(dark[i].first, light[i].first);
    }
}

void WindowLooksTest::fontChoiceCarriesAColourAndGivesTheListTheFocus()
{
    MainWindowRig rig;
    rig.writeConfig(QStringLiteral("Choose backup CD"));
    MessageBox::Script boxes;
    Window window(rig);
    window.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window.form));
    window.form.ui().filters->extEdit->setFocus();
    QFont chosen = window.form.ui().ListView->font();
    chosen.setPixelSize(15);
    rig.fontAnswer = ListFontChoice {chosen, QColor(200, 0, 0)};
    click(window.form.ui().button2);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(window.form.ui().ListView));
    window.form.close();
    // The colour is the list font's, 0x00BBGGRR.
    QCOMPARE(savedConfig(rig).font.color, 200);

    // The chooser itself offers the colour beside the face.
    ListFontDialog dialog(nullptr, chosen, Qt::blue);
    QVERIFY(dialog.colourButton());
    QCOMPARE(dialog.choice().colour, QColor(Qt::blue));
    dialog.setColour(QColor(0, 120, 0));
    QCOMPARE(dialog.choice().colour, QColor(0, 120, 0));
}

void WindowLooksTest::focusAfterAPassIsOnTheList()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive(QStringLiteral("stick"), QStringLiteral("BACKUP1"));
    rig.writeConfig(drive);
    const QString folder = rig.writeSource(QStringLiteral("docs/a.txt"), "a").section('/', 0, -2);
    QFile list(rig.programFolder + "BACKUP1.ini");
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write((folder + "\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n").toUtf8());
    list.close();
    MessageBox::Script boxes;
    Window window(rig);
    window.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window.form));
    window.form.ui().ListView->setFocus();
    click(window.form.ui().BackupButton);
    QVERIFY(QTest::qWaitFor([&] { return !window.form.BackupRunning(); }, kPassTimeoutMs));
    // The window's own focus, which it shows when it is active again.
    QTRY_COMPARE(window.form.focusWidget(), static_cast<QWidget *>(window.form.ui().ListView));
}

void WindowLooksTest::noticeAfterMissedFilesOpensTheLog()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive(QStringLiteral("stick"), QStringLiteral("BACKUP1"));
    rig.writeConfig(drive);
    const QString folder = rig.writeSource(QStringLiteral("locked/a.txt"), "a").section('/', 0, -2);
    QFile list(rig.programFolder + "BACKUP1.ini");
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write((folder + "\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n").toUtf8());
    list.close();
    QFile locked(folder + "/a.txt");
    QVERIFY(locked.open(QIODevice::ReadOnly));
    QVERIFY(::flock(locked.handle(), LOCK_EX) == 0);
    MessageBox::Script boxes;
    Window window(rig);
    boxes.answer(true); // the person presses the notice's own button
    click(window.form.ui().BackupButton);
    QVERIFY(QTest::qWaitFor([&] { return !window.form.BackupRunning(); }, kPassTimeoutMs));
    const QList<MessageBox::Shown> shown = boxes.take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, MessageBox::Kind::Notice);
    QVERIFY2(shown[0].text.startsWith("1 FILES OR FOLDERS COULD NOT BE BACKED UP.\r"), qPrintable(shown[0].text));
    QVERIFY(shown[0].text.endsWith("\r" + rig.programFolder + "quillarc.log"));
    QCOMPARE(shown[0].action, QStringLiteral("Open the Log"));
    QCOMPARE(rig.opened, QStringList {rig.programFolder + "quillarc.log"});
}

void WindowLooksTest::commandsThatCannotOpenSaySo_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("alsoSays");
    QTest::newRow("Help") << QStringLiteral("Help") << QString();
    QTest::newRow("Software") << QStringLiteral("Software") << QStringLiteral("THE HOME PAGE IS https://");
    QTest::newRow("Email") << QStringLiteral("Email") << QStringLiteral("PLEASE WRITE TO ");
}

void WindowLooksTest::commandsThatCannotOpenSaySo()
{
    QFETCH(QString, command);
    QFETCH(QString, alsoSays);
    MainWindowRig rig;
    rig.writeConfig(QStringLiteral("Choose backup CD"));
    rig.openFailure = QStringLiteral("CANNOT OPEN IT - NO PROGRAM ON THIS COMPUTER OPENS IT");
    MessageBox::Script boxes;
    Window window(rig);
    boxes.take();
    TGlossButton *button = command == "Help"       ? window.form.ui().Helpbutton
                           : command == "Software" ? window.form.ui().Button3
                                                   : window.form.ui().EmailButton;
    click(button);
    const QList<MessageBox::Shown> shown = boxes.take();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].text.startsWith(rig.openFailure), qPrintable(shown[0].text));
    QVERIFY2(shown[0].text.contains(alsoSays), qPrintable(shown[0].text));
}

void WindowLooksTest::desktopLinkWithoutADesktopFolderSaysSo()
{
    QTemporaryDir home;
    ShellFolders folders;
    folders.desktop = home.filePath(QStringLiteral("Desktop")).toStdString();
    MessageBox::Script boxes;
    {
        TStartmenuForm links(nullptr, QStringLiteral("/opt/quillarc/quillarc"), folders);
        links.StartmenuCheckBox->setChecked(false);
        links.DesktopCheckBox->setChecked(true);
        links.OKButton->setEnabled(true);
        click(links.OKButton);
    }
    const QList<MessageBox::Shown> shown = boxes.take();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].text.contains(QString::fromStdString(folders.desktop) + " DOES NOT EXIST"),
             qPrintable(shown[0].text));
    QVERIFY(!QFileInfo::exists(QString::fromStdString(folders.desktop)));

    // Where the folder is, the launcher goes into it without a word.
    QVERIFY(QDir().mkpath(QString::fromStdString(folders.desktop)));
    {
        TStartmenuForm links(nullptr, QStringLiteral("/opt/quillarc/quillarc"), folders);
        links.StartmenuCheckBox->setChecked(false);
        links.DesktopCheckBox->setChecked(true);
        click(links.OKButton);
    }
    QVERIFY(boxes.take().isEmpty());
    QVERIFY(QFileInfo::exists(QString::fromStdString(folders.desktop) + "/Quillarc.desktop"));
}

QTEST_MAIN(WindowLooksTest)
#include "windowlooks_test.moc"

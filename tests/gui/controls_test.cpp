// The bar gauge and the gloss button, read off the pictures they compose as
// a person would see them (how much of the column is filled, what colour the
// face shows, where the highlights and the caption sit), and the button
// driven through real mouse events.
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

using namespace quillarc;

namespace {

QColor at(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

// Bounding box of the pixels of exactly one colour.
QRect boxOf(const QImage &image, const QColor &colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

// The colours a gauge paints its column in, split into the fill's and the
// rest; the percentage text is neither.
QList<QColor> fillColours(const TRarBar &bar)
{
    return {bar.FilledColor(), bar.FilledSideColor1(), bar.FilledSideColor2(), bar.FilledLineColor(),
            bar.FilledFrameColor()};
}

QList<QColor> columnColours(const TRarBar &bar)
{
    return fillColours(bar) + QList<QColor> {bar.TopColor(),         bar.SideColor1(),       bar.SideColor2(),
                                             bar.EmptyColor1(),      bar.EmptyColor2(),      bar.EmptyFrameColor1(),
                                             bar.EmptyFrameColor2(), bar.BottomFrameColor(), bar.BottomColor(),
                                             bar.EmptyLineColor()};
}

// What a person reads off a gauge's picture: where the column stands, how
// many of its rows show fill, and where the fill's top is.
struct GaugeReading {
    QRect column;
    int filledRows = 0;
    int fillTop = -1; ///< -1 when nothing is filled
    double filledShare() const { return column.isEmpty() ? 0 : double(filledRows) / column.height(); }
};

GaugeReading readGauge(const TRarBar &bar, const QImage &image)
{
    const QList<QColor> fill = fillColours(bar);
    const QList<QColor> column = columnColours(bar);
    GaugeReading reading;
    for (int y = 0; y < image.height(); ++y) {
        bool filledRow = false;
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (column.contains(colour))
                reading.column |= QRect(x, y, 1, 1);
            filledRow = filledRow || fill.contains(colour);
        }
        if (filledRow) {
            ++reading.filledRows;
            if (reading.fillTop < 0)
                reading.fillTop = y;
        }
    }
    return reading;
}

// The bounding box of what differs between two pictures of the same size.
QRect differenceBox(const QImage &a, const QImage &b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

// The colour of a button's face: the longest run of one colour along a
// row inside its shape, which is where the face shows between its gloss
// and its glow across nearly the whole width.
QColor faceColour(const TGlossButton &button, const QImage &image)
{
    QRgb longestColour = 0;
    int longest = 0;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            const bool inside = button.hitTest({x, y});
            run = inside && x > 0 && run > 0 && image.pixel(x, y) == image.pixel(x - 1, y) ? run + 1 : inside ? 1 : 0;
            if (run > longest) {
                longest = run;
                longestColour = image.pixel(x, y);
            }
        }
    }
    return QColor(longestColour);
}

// The bands of a button's highlights, top to bottom: runs of rows showing
// any of `colours`, each band's bounding box.
QList<QRect> bands(const QImage &image, const QList<QColor> &colours)
{
    QList<QRect> result;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        QRect row;
        for (int x = 0; x < image.width(); ++x)
            if (colours.contains(image.pixelColor(x, y)))
                row |= QRect(x, y, 1, 1);
        if (row.isEmpty())
            inBand = false;
        else if (inBand)
            result.last() |= row;
        else {
            result << row;
            inBand = true;
        }
    }
    return result;
}

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void gaugeLevel_data();
    void gaugeLevel();
    void gaugeFillFollowsTheValue();
    void gaugeWithoutPercentageLeavesBackground();
    void gaugeTextFitsBesideColumn_data();
    void gaugeTextFitsBesideColumn();
    void gaugeAtDoublePixelRatio();
    void gaugeSchemes();

    void shadeColor_data();
    void shadeColor();
    void pureBlueFaceIsDarkened();
    void roseButtonHoverAndPress();
    void pressOutsideShapeStillClicks();
    void releaseOffTheButtonDoesNotClick();
    void disabledButtonIgnoresMouse();
    void captionOnlyUnderPointer();
    void hitTest_data();
    void hitTest();
    void otherShapes();
};

void ControlsTest::gaugeLevel_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("progress");
    QTest::addColumn<int>("fill");
    QTest::addColumn<qlonglong>("percent");
    QTest::newRow("half of 80 high") << 80 << 0 << 100 << 50 << 30 << 50LL;
    QTest::newRow("max equals min") << 80 << 5 << 5 << 3 << 0 << 0LL;
    QTest::newRow("below min") << 80 << 0 << 100 << -10 << 0 << -10LL;
    QTest::newRow("above max") << 80 << 0 << 100 << 150 << 60 << 150LL;
    QTest::newRow("half rounds down to even") << 80 << 0 << 120 << 5 << 2 << 4LL;
    QTest::newRow("half rounds up to even") << 80 << 0 << 120 << 7 << 4 << 6LL;
    QTest::newRow("tall resources gauge") << 180 << 0 << 100 << 37 << 59 << 37LL;
    QTest::newRow("too short for a scale") << 20 << 0 << 100 << 50 << 0 << 0LL;
    QTest::newRow("extreme range") << 80 << INT_MIN << INT_MAX << INT_MAX << 60 << 100LL;
}

void ControlsTest::gaugeLevel()
{
    QFETCH(int, height);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, progress);
    TRarBar bar;
    bar.setMin(min);
    bar.setMax(max);
    bar.setProgress(progress);
    const RarBarLevel level = bar.level(height);
    QTEST(level.fill, "fill");
    QTEST(level.percent, "percent");
}

void ControlsTest::gaugeFillFollowsTheValue()
{
    TRarBar bar;
    bar.resize(60, 80);
    // The share of the column's rows that show fill matches the value, give
    // or take the depth of the column's drawn top; equal steps of the value
    // raise the fill's top by equal steps; the percentage travels with it,
    // beside the column.
    QList<int> fillTops;
    double lastShare = -1;
    for (int progress : {0, 25, 50, 75, 100}) {
        bar.setProgress(progress);
        const QImage image = bar.composeImage(1.0);
        const GaugeReading reading = readGauge(bar, image);
        const QString context =
            QString("at %1%: %2 of %3 rows filled").arg(progress).arg(reading.filledRows).arg(reading.column.height());
        QVERIFY2(reading.column.height() > 40, qPrintable(context));
        QVERIFY2(std::abs(reading.filledShare() - progress / 100.0) <= 0.15, qPrintable(context));
        QVERIFY2(reading.filledShare() > lastShare, qPrintable(context));
        lastShare = reading.filledShare();
        const QRect text = boxOf(image, bar.FontColor());
        QVERIFY2(!text.isEmpty() && text.left() > reading.column.right(), qPrintable(context));
        if (progress > 0) {
            fillTops << reading.fillTop;
            QVERIFY2(std::abs(text.center().y() - reading.fillTop) <= 8, qPrintable(context));
        }
        if (progress == 0)
            QCOMPARE(reading.filledRows, 0); // not one stray dot of fill
        if (progress == 100) {
            QCOMPARE(reading.filledShare(), 1.0);
            // The fill's top replaces the column's own top and sides.
            for (const QColor &face : {bar.TopColor(), bar.SideColor1(), bar.SideColor2()})
                QVERIFY(boxOf(image, face).isEmpty());
        }
    }
    for (int n = 1; n + 1 < fillTops.size(); ++n)
        QVERIFY(std::abs((fillTops[n - 1] - fillTops[n]) - (fillTops[n] - fillTops[n + 1])) <= 1);

    // Progress moves the picture at once.
    bar.setProgress(50);
    const QImage half = bar.composeImage(1.0);
    bar.setProgress(51);
    QVERIFY(bar.composeImage(1.0) != half);
}

void ControlsTest::gaugeWithoutPercentageLeavesBackground()
{
    TRarBar bar;
    bar.resize(60, 80);
    bar.setColor(QColor(10, 20, 30));
    bar.setProgress(42);
    bar.setShowPercentage(false);
    const QImage without = bar.composeImage(1.0);
    QVERIFY(boxOf(without, bar.FontColor()).isEmpty());
    bar.setShowPercentage(true);
    const QImage with = bar.composeImage(1.0);
    QVERIFY(!boxOf(with, bar.FontColor()).isEmpty());
    // The text is all that changes, and only beside the column.
    QVERIFY(differenceBox(without, with).left() > readGauge(bar, without).column.right());
}

void ControlsTest::gaugeTextFitsBesideColumn_data()
{
    QTest::addColumn<int>("progress");
    QTest::newRow("100%") << 100;
    QTest::newRow("-100%") << -100;
    QTest::newRow("5%") << 5;
}

void ControlsTest::gaugeTextFitsBesideColumn()
{
    // The widest texts a 60-pixel gauge shows are not cut off at its right
    // edge: the last column of pixels stays background, and the text, set
    // smaller where it must be, keeps at least half the width it has in a
    // gauge with room to spare, so it is more than its first digit.
    QFETCH(int, progress);
    const QColor background(10, 20, 30);
    auto textBox = [&](int width) {
        TRarBar bar;
        bar.resize(width, 80);
        bar.setColor(background);
        bar.setProgress(progress);
        const QImage image = bar.composeImage(1.0);
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(image.width() - 1, y) != background)
                return QRect();
        const QImage bare = [&] {
            bar.setShowPercentage(false);
            return bar.composeImage(1.0);
        }();
        return differenceBox(bare, image);
    };
    const QRect narrow = textBox(60);
    const QRect wide = textBox(200);
    QVERIFY(!narrow.isEmpty() && !wide.isEmpty());
    QVERIFY2(narrow.width() * 2 >= wide.width(), qPrintable(QString("%1 of %2").arg(narrow.width()).arg(wide.width())));
}

void ControlsTest::gaugeAtDoublePixelRatio()
{
    // At twice the pixel ratio the same picture, each logical pixel now
    // 2 x 2: the column stands where it stood and shows the same fill.
    TRarBar bar;
    bar.resize(60, 80);
    bar.setProgress(50);
    const QImage two = bar.composeImage(2.0);
    QCOMPARE(two.size(), QSize(120, 160));
    const GaugeReading one = readGauge(bar, bar.composeImage(1.0));
    const GaugeReading doubled = readGauge(bar, two);
    QVERIFY(std::abs(doubled.column.left() - 2 * one.column.left()) <= 1);
    QVERIFY(std::abs(doubled.column.top() - 2 * one.column.top()) <= 1);
    QVERIFY(std::abs(doubled.column.width() - 2 * one.column.width()) <= 2);
    QVERIFY(std::abs(doubled.column.height() - 2 * one.column.height()) <= 2);
    QVERIFY(std::abs(doubled.fillTop - 2 * one.fillTop) <= 1);
    QVERIFY(std::abs(doubled.filledShare() - one.filledShare()) <= 0.02);
}

void ControlsTest::gaugeSchemes()
{
    TRarBar bar;
    QCOMPARE(bar.ColorScheme(), rcPurpleBlue);
    QCOMPARE(bar.FilledSideColor2(), QColor(0xC0, 0x48, 0x88));
    bar.setColorScheme(rcLightBlue);
    QCOMPARE(bar.TopColor(), QColor(0x48, 0xC0, 0x88));
    QCOMPARE(bar.FilledLineColor(), QColor(0xA8, 0xA8, 0xD0));
    QCOMPARE(bar.FontColor(), QColor(0x80, 0x00, 0x80));
    bar.setColorScheme(rcAcid);
    QCOMPARE(bar.SideColor2(), bar.TopColor());
    QCOMPARE(bar.FontColor(), QColor(0x00, 0xFF, 0xFF));
}

void ControlsTest::shadeColor_data()
{
    QTest::addColumn<QColor>("in");
    QTest::addColumn<int>("code");
    QTest::addColumn<QColor>("out");
    QTest::newRow("rose darker 15%") << QColor(247, 53, 122) << 0 << QColor(210, 45, 104);
    QTest::newRow("rose lighter 60%") << QColor(247, 53, 122) << 9 << QColor(252, 174, 202);
    QTest::newRow("blue darker 15%") << QColor(0, 0, 255) << 0 << QColor(0, 0, 217);
    QTest::newRow("darker 60%") << QColor(100, 200, 255) << 3 << QColor(40, 80, 102);
    QTest::newRow("darker 6%") << QColor(100, 200, 255) << 4 << QColor(94, 188, 240);
    QTest::newRow("unchanged") << QColor(1, 2, 3) << 5 << QColor(1, 2, 3);
    QTest::newRow("lighter 15%") << QColor(0, 55, 255) << 6 << QColor(38, 85, 255);
}

void ControlsTest::shadeColor()
{
    QFETCH(QColor, in);
    QFETCH(int, code);
    QTEST(ShadeColor(in, code), "out");
}

void ControlsTest::pureBlueFaceIsDarkened()
{
    QWidget window;
    TGlossButton button(&window);
    const QImage img = button.composeImage(1.0);
    QCOMPARE(faceColour(button, img), QColor(0, 0, 217));
    QVERIFY(boxOf(img, QColor(0, 0, 255)).isEmpty());
}

void ControlsTest::roseButtonHoverAndPress()
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette pal = window.palette();
    const QColor paleYellow(255, 255, 192);
    pal.setColor(QPalette::Window, paleYellow);
    window.setPalette(pal);
    window.resize(200, 100);
    TGlossButton button(&window);
    button.setGeometry(46, 40, 83, 25);
    button.setCustomColor(ccRose);
    button.setCaption(QStringLiteral("ABORT"));
    button.setFontColor(Qt::white);
    const QColor rose(247, 53, 122);
    const QPoint middle = button.rect().center();
    // Geometry is read without the caption, which would cover the middle.
    auto withoutCaption = [&] {
        button.setCaption(QString());
        const QImage img = button.composeImage(1.0);
        button.setCaption(QStringLiteral("ABORT"));
        return img;
    };
    const QImage normal = withoutCaption();
    const QImage normalText = button.composeImage(1.0);
    QCOMPARE(at(normal, 0, 0), paleYellow); // corner outside the pill
    // A rim a shade darker than the window rings the whole pill.
    for (int code : {2, 4}) {
        const QRect rim = boxOf(normal, ShadeColor(paleYellow, code));
        QVERIFY(rim.width() >= normal.width() - 4 && rim.height() >= normal.height() - 6);
    }
    QCOMPARE(faceColour(button, normal), rose);
    // A gloss band above a glow, both in lighter shades of the face.
    const QList<QColor> highlights {ShadeColor(rose, 6), ShadeColor(rose, 7), ShadeColor(rose, 8), ShadeColor(rose, 9)};
    const QList<QRect> normalBands = bands(normal, highlights);
    QCOMPARE(normalBands.size(), 2);

    sendMouse(&button, QEvent::MouseMove, middle);
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Hover);
    QCOMPARE(faceColour(button, withoutCaption()), ShadeColor(rose, 9)); // lit under the pointer

    sendMouse(&button, QEvent::MouseButtonPress, middle);
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Pressed);
    const QImage pressed = withoutCaption();
    const QImage pressedText = button.composeImage(1.0);
    QCOMPARE(faceColour(button, pressed), rose); // no hover light while pressed
    // Gloss band and glow: left and top edges move 2 pixels right and down,
    // right and bottom edges stay.
    const QList<QRect> pressedBands = bands(pressed, highlights);
    QCOMPARE(pressedBands.size(), 2);
    for (int n = 0; n < 2; ++n) {
        QCOMPARE(pressedBands[n].topLeft(), normalBands[n].topLeft() + QPoint(2, 2));
        QCOMPARE(pressedBands[n].bottomRight(), normalBands[n].bottomRight());
    }
    // The white caption moves 1 right and 1 down.
    const QRect captionNormal = boxOf(normalText, Qt::white);
    const QRect captionPressed = boxOf(pressedText, Qt::white);
    QVERIFY(!captionNormal.isEmpty());
    QCOMPARE(captionPressed, captionNormal.translated(1, 1));

    QSignalSpy clicks(&button, &TGlossButton::clicked);
    sendMouse(&button, QEvent::MouseButtonRelease, middle);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Normal);
    QVERIFY(!button.isArmed());
}

void ControlsTest::pressOutsideShapeStillClicks()
{
    QWidget window;
    TGlossButton button(&window);
    button.resize(83, 25);
    QSignalSpy clicks(&button, &TGlossButton::clicked);
    QVERIFY(!button.hitTest({0, 0}));
    QVERIFY(button.hitTest({41, 12}));
    sendMouse(&button, QEvent::MouseButtonPress, {0, 0});
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Normal);
    QVERIFY(button.isArmed());
    sendMouse(&button, QEvent::MouseButtonRelease, {0, 0});
    QCOMPARE(clicks.count(), 1);
}

void ControlsTest::releaseOffTheButtonDoesNotClick()
{
    QWidget window;
    TGlossButton button(&window);
    QSignalSpy clicks(&button, &TGlossButton::clicked);
    sendMouse(&button, QEvent::MouseButtonPress, {30, 12});
    sendMouse(&button, QEvent::MouseMove, {200, 12});
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Normal);
    sendMouse(&button, QEvent::MouseButtonRelease, {200, 12});
    QCOMPARE(clicks.count(), 0);
    QVERIFY(!button.isArmed());
}

void ControlsTest::disabledButtonIgnoresMouse()
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette pal = window.palette();
    const QColor bg(200, 220, 240);
    pal.setColor(QPalette::Window, bg);
    window.setPalette(pal);
    TGlossButton button(&window);
    button.setCustomColor(ccOrange);
    button.setCaption(QStringLiteral("Help"));
    button.setEnabled(false);
    QSignalSpy clicks(&button, &TGlossButton::clicked);
    const QPoint middle = button.rect().center();
    sendMouse(&button, QEvent::MouseMove, middle);
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Normal);
    sendMouse(&button, QEvent::MouseButtonPress, middle);
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Normal);
    sendMouse(&button, QEvent::MouseButtonRelease, middle);
    QCOMPARE(clicks.count(), 0);
    const QImage img = button.composeImage(1.0);
    // A washed-out face that reads as off; the caption is not in its colour.
    const QColor face = faceColour(button, img);
    QVERIFY(face != bg);
    QVERIFY(face.hsvSaturationF() < 0.25);
    QVERIFY(boxOf(img, Qt::black).isEmpty());
}

void ControlsTest::captionOnlyUnderPointer()
{
    QWidget window;
    TGlossButton button(&window);
    button.setCustomColor(ccNeonGreen);
    button.setCaption(QStringLiteral("Exit"));
    button.setCaptionMouseOver(true);
    const QImage normal = button.composeImage(1.0);
    QVERIFY(boxOf(normal, Qt::black).isEmpty());
    sendMouse(&button, QEvent::MouseMove, button.rect().center());
    const QImage hovered = button.composeImage(1.0);
    QVERIFY(!boxOf(hovered, Qt::black).isEmpty());
    // The face is not lightened; read without the caption, which would
    // cover its middle.
    button.setCaption(QString());
    QCOMPARE(faceColour(button, button.composeImage(1.0)), QColor(166, 246, 26));
    button.setCaption(QStringLiteral("Exit"));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    QVERIFY(boxOf(button.composeImage(1.0), Qt::black).isEmpty());
}

void ControlsTest::hitTest_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<bool>("smallCorners");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("inside");
    // 83 x 25: the pill is 2..81 by 2..22 with round ends 23 high.
    QTest::newRow("button middle") << int(bsButton) << false << QPoint(41, 12) << true;
    QTest::newRow("button corner") << int(bsButton) << false << QPoint(3, 3) << false;
    QTest::newRow("button left end middle") << int(bsButton) << false << QPoint(2, 12) << true;
    QTest::newRow("button rim") << int(bsButton) << false << QPoint(82, 12) << false;
    QTest::newRow("small corners keep round ends") << int(bsButton) << true << QPoint(3, 3) << false;
    QTest::newRow("orb middle") << int(bsOrb) << false << QPoint(41, 12) << true;
    QTest::newRow("orb near end of long axis") << int(bsOrb) << false << QPoint(2, 12) << true;
    QTest::newRow("orb corner") << int(bsOrb) << false << QPoint(8, 2) << false;
    QTest::newRow("unknown shape") << 7 << false << QPoint(41, 12) << false;
}

void ControlsTest::hitTest()
{
    QFETCH(int, shape);
    QFETCH(bool, smallCorners);
    QFETCH(QPoint, point);
    TGlossButton button;
    button.resize(83, 25);
    button.setButtonShape(TGlossButtonType(shape));
    button.setSmallCorners(smallCorners);
    QTEST(button.hitTest(point), "inside");
}

void ControlsTest::otherShapes()
{
    QWidget window;
    TGlossButton button(&window);
    button.resize(83, 25);
    button.setCustomColor(ccPaleBlue);
    const QColor bg = button.backgroundColour();
    const QColor face(114, 156, 252);
    // Pixels of the top left corner's 4 x 4 square that the shape covers.
    auto cornerPixels = [&](const QImage &img) {
        int covered = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                covered += at(img, x, y) != bg ? 1 : 0;
        return covered;
    };

    button.setButtonShape(bsOrb);
    QImage img = button.composeImage(1.0);
    const QPoint corners[] = {{0, 0}, {82, 0}, {0, 24}, {82, 24}};
    for (QPoint corner : corners)
        QCOMPARE(at(img, corner.x(), corner.y()), bg); // outside the ellipse
    QVERIFY(at(img, img.width() / 2, 0) != bg);        // reaching the top edge
    QCOMPARE(faceColour(button, img), face);

    button.setButtonShape(bsButton);
    const int roundCorners = cornerPixels(button.composeImage(1.0));
    button.setSmallCorners(true);
    img = button.composeImage(1.0);
    QVERIFY(cornerPixels(img) > roundCorners); // nearly square
    QCOMPARE(faceColour(button, img), face);

    button.setButtonShape(TGlossButtonType(5)); // no layers at all
    img = button.composeImage(1.0);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            QCOMPARE(at(img, x, y), bg);
}

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"

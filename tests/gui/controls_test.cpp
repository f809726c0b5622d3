// The bar gauge and the gloss button, checked pixel by pixel on the images
// they compose, and the button driven through real mouse events.
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

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void gaugeLevel_data();
    void gaugeLevel();
    void gaugeHalfFullPicture();
    void gaugeEmptyAndFullOutlines();
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

void ControlsTest::gaugeHalfFullPicture()
{
    TRarBar bar;
    bar.resize(60, 80);
    bar.setProgress(50);
    const QImage img = bar.composeImage(1.0);
    const int b = 75, p = 30; // base line and fill height
    // Front edge: filled colour at and below the fill level, empty above.
    QCOMPARE(at(img, 15, b - p + 2), bar.FilledLineColor());
    QCOMPARE(at(img, 15, b - p - 3), bar.EmptyLineColor());
    QCOMPARE(at(img, 0, b - p), bar.FilledLineColor());
    QCOMPARE(at(img, 0, b - p - 8), bar.EmptyLineColor());
    // Faces: filled below, plain above, fill top in between.
    QCOMPARE(at(img, 7, b - 10), bar.FilledSideColor1());
    QCOMPARE(at(img, 23, b - 10), bar.FilledSideColor2());
    QCOMPARE(at(img, 7, b - p - 15), bar.SideColor1());
    QCOMPARE(at(img, 10, b - p - 5), bar.FilledColor());
    QCOMPARE(at(img, 15, 10), bar.TopColor());
    // The text "50%" sits right of the column with its lower edge at the
    // fill's front level.
    const QRect text = boxOf(img, bar.FontColor());
    QVERIFY(!text.isEmpty());
    QVERIFY(text.left() >= 33);
    QVERIFY(text.bottom() < b - p);
    QVERIFY(text.bottom() >= b - p - 6);

    // Progress moves the picture at once.
    bar.setProgress(0);
    QVERIFY(bar.composeImage(1.0) != img);
}

void ControlsTest::gaugeEmptyAndFullOutlines()
{
    TRarBar bar;
    bar.resize(60, 80);
    const int b = 75;
    bar.setProgress(0);
    QImage img = bar.composeImage(1.0);
    QCOMPARE(at(img, 15, b), bar.EmptyLineColor()); // base outline
    QCOMPARE(at(img, 15, 10), bar.TopColor());
    QCOMPARE(at(img, 15, 5), bar.EmptyLineColor());      // top outline
    QCOMPARE(at(img, 10, b - 5), bar.EmptyColor1());     // left base half
    QCOMPARE(at(img, 20, b - 5), bar.EmptyColor2());     // right base half
    QCOMPARE(at(img, 15, b - 20), bar.EmptyLineColor()); // front edge

    bar.setProgress(100);
    img = bar.composeImage(1.0);
    QCOMPARE(at(img, 15, b), bar.FilledLineColor());
    QCOMPARE(at(img, 15, 5), bar.FilledLineColor());
    QCOMPARE(at(img, 10, 10), bar.FilledColor()); // fill top replaces the top face
}

void ControlsTest::gaugeWithoutPercentageLeavesBackground()
{
    TRarBar bar;
    bar.resize(60, 80);
    bar.setColor(QColor(10, 20, 30));
    bar.setProgress(42);
    bar.setShowPercentage(false);
    const QImage img = bar.composeImage(1.0);
    for (int y = 0; y < 80; ++y)
        for (int x = 32; x < 60; ++x)
            QCOMPARE(at(img, x, y), QColor(10, 20, 30));
    bar.setShowPercentage(true);
    QVERIFY(!boxOf(bar.composeImage(1.0), bar.FontColor()).isEmpty());
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
    // The widest texts a 60-pixel gauge shows must not be cut off at its
    // right edge: the last column stays background, and the text reaches
    // as far right as in a gauge with room to spare.
    QFETCH(int, progress);
    TRarBar bar;
    bar.resize(60, 80);
    bar.setColor(QColor(10, 20, 30));
    bar.setProgress(progress);
    const QImage img = bar.composeImage(1.0);
    int rightmost = -1;
    for (int y = 0; y < 80; ++y) {
        QCOMPARE(at(img, 59, y), QColor(10, 20, 30));
        for (int x = 33; x < 60; ++x)
            if (at(img, x, y) != QColor(10, 20, 30))
                rightmost = std::max(rightmost, x);
    }
    QVERIFY(rightmost > 40); // the whole text, not just its first digit
}

void ControlsTest::gaugeAtDoublePixelRatio()
{
    TRarBar bar;
    bar.resize(60, 80);
    bar.setProgress(50);
    const QImage one = bar.composeImage(1.0);
    const QImage two = bar.composeImage(2.0);
    QCOMPARE(two.size(), QSize(120, 160));
    // Lines and faces land on the same logical pixels, each now 2 x 2.
    const QPoint samples[] = {{15, 47}, {15, 40}, {0, 45}, {30, 60}, {7, 65}, {23, 65}, {7, 20}, {15, 5}, {50, 5}};
    for (QPoint p : samples) {
        for (QPoint d : {QPoint(0, 0), QPoint(1, 1)})
            QCOMPARE(at(two, 2 * p.x() + d.x(), 2 * p.y() + d.y()), at(one, p.x(), p.y()));
    }
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
    QCOMPARE(at(img, 37, 10), QColor(0, 0, 217));
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
    // Geometry is read without the caption, which would cover the middle.
    auto withoutCaption = [&] {
        button.setCaption(QString());
        const QImage img = button.composeImage(1.0);
        button.setCaption(QStringLiteral("ABORT"));
        return img;
    };
    const QImage normal = withoutCaption();
    const QImage normalText = button.composeImage(1.0);
    QCOMPARE(at(normal, 0, 0), paleYellow);                  // corner outside the pill
    QCOMPARE(at(normal, 82, 12), ShadeColor(paleYellow, 4)); // outer rim
    QCOMPARE(at(normal, 81, 12), ShadeColor(paleYellow, 2));
    QCOMPARE(at(normal, 8, 9), rose);                  // face between gloss and glow
    QCOMPARE(at(normal, 41, 3), ShadeColor(rose, 8));  // gloss band top outline
    QCOMPARE(at(normal, 41, 11), ShadeColor(rose, 6)); // glow top

    sendMouse(&button, QEvent::MouseMove, {41, 12});
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Hover);
    QCOMPARE(at(withoutCaption(), 8, 9), ShadeColor(rose, 9));

    sendMouse(&button, QEvent::MouseButtonPress, {41, 12});
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Pressed);
    const QImage pressed = withoutCaption();
    const QImage pressedText = button.composeImage(1.0);
    QCOMPARE(at(pressed, 8, 9), rose); // no hover light while pressed
    // Top edges of gloss and glow move down by 2.
    QCOMPARE(at(pressed, 41, 3), rose);
    QCOMPARE(at(pressed, 41, 5), ShadeColor(rose, 8));
    QCOMPARE(at(pressed, 41, 11), rose);
    QCOMPARE(at(pressed, 41, 13), ShadeColor(rose, 6));
    // Gloss band (upper rows) and glow (lower rows): left and top edges move
    // 2 pixels right and down, right and bottom edges stay.
    auto highlightBox = [&](const QImage &img, int fromRow, int toRow) {
        QRect box;
        for (int y = fromRow; y < toRow; ++y)
            for (int x = 0; x < img.width(); ++x)
                for (int code : {6, 7, 8, 9})
                    if (at(img, x, y) == ShadeColor(rose, code))
                        box |= QRect(x, y, 1, 1);
        return box;
    };
    for (auto [from, to] : {std::pair(0, 10), std::pair(10, 25)}) {
        const QRect n = highlightBox(normal, from, to);
        const QRect p = highlightBox(pressed, from, to);
        QVERIFY(!n.isEmpty());
        QCOMPARE(p.topLeft(), n.topLeft() + QPoint(2, 2));
        QCOMPARE(p.bottomRight(), n.bottomRight());
    }
    // The white caption moves 1 right and 1 down.
    const QRect captionNormal = boxOf(normalText, Qt::white);
    const QRect captionPressed = boxOf(pressedText, Qt::white);
    QVERIFY(!captionNormal.isEmpty());
    QCOMPARE(captionPressed, captionNormal.translated(1, 1));

    QSignalSpy clicks(&button, &TGlossButton::clicked);
    sendMouse(&button, QEvent::MouseButtonRelease, {41, 12});
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
    sendMouse(&button, QEvent::MouseMove, {37, 12});
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Normal);
    sendMouse(&button, QEvent::MouseButtonPress, {37, 12});
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Normal);
    sendMouse(&button, QEvent::MouseButtonRelease, {37, 12});
    QCOMPARE(clicks.count(), 0);
    const QImage img = button.composeImage(1.0);
    // A washed-out face that reads as off; the caption is not in its colour.
    QVERIFY(at(img, 10, 9) != bg);
    QVERIFY(at(img, 10, 9).hsvSaturationF() < 0.25);
    QVERIFY(boxOf(img, Qt::black).isEmpty());
}

void ControlsTest::captionOnlyUnderPointer()
{
    QWidget window;
    TGlossButton button(&window);
    button.setCustomColor(ccNeonGreen);
    button.setCaption(QStringLiteral("Exit"));
    button.setCaptionMouseOver(true);
    QVERIFY(boxOf(button.composeImage(1.0), Qt::black).isEmpty());
    sendMouse(&button, QEvent::MouseMove, {37, 12});
    const QImage hovered = button.composeImage(1.0);
    QVERIFY(!boxOf(hovered, Qt::black).isEmpty());
    QCOMPARE(at(hovered, 10, 9), QColor(166, 246, 26)); // not lightened
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

    button.setButtonShape(bsOrb);
    QImage img = button.composeImage(1.0);
    QCOMPARE(at(img, 2, 2), bg);                   // outside the ellipse
    QCOMPARE(at(img, 41, 0), ShadeColor(face, 3)); // face edge layer reaches the top
    QCOMPARE(at(img, 10, 9), face);

    button.setButtonShape(bsButton);
    button.setSmallCorners(true);
    img = button.composeImage(1.0);
    QCOMPARE(at(img, 3, 1), ShadeColor(face, 3)); // 8-pixel corners: nearly square
    QCOMPARE(at(img, 10, 9), face);

    button.setButtonShape(TGlossButtonType(5)); // no layers at all
    img = button.composeImage(1.0);
    QCOMPARE(at(img, 41, 12), bg);
}

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"

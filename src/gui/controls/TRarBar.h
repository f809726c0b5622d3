#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

class QPainter;

namespace quillarc {

/// Preset colour sets of the bar gauge.
enum TRBColorScheme : int {
    rcPurpleBlue = 0,
    rcAcid = 1,
    rcLightGreen = 2,
    rcLightBlue = 3
};

/// The colour behind a text of colour `text`: `background` when the two
/// differ enough in brightness to read, else white or black.
QColor legibleBehind(const QColor &text, const QColor &background);

/// Fill level and percentage of a gauge, worked out once per drawing.
struct RarBarLevel {
    int fill = 0;          ///< pixels of the column that are filled, 0..H-10
    long long percent = 0; ///< shown percentage; not clamped
};

/// Upright isometric column, 30 pixels wide, that fills from the bottom and
/// writes the percentage beside the fill level. Every picture is composed
/// off screen and copied in one operation so that frequent updates do not
/// flicker; used from the window thread only.
class TRarBar : public QWidget {
    Q_OBJECT
public:
    explicit TRarBar(QWidget *parent = nullptr);

    QColor TopColor() const { return m_top; }
    void setTopColor(const QColor &c) { m_top = c; }
    QColor SideColor1() const { return m_side1; }
    void setSideColor1(const QColor &c) { m_side1 = c; }
    QColor SideColor2() const { return m_side2; }
    void setSideColor2(const QColor &c) { m_side2 = c; }
    QColor EmptyColor1() const { return m_empty1; }
    void setEmptyColor1(const QColor &c) { m_empty1 = c; }
    QColor EmptyColor2() const { return m_empty2; }
    void setEmptyColor2(const QColor &c) { m_empty2 = c; }
    QColor EmptyFrameColor1() const { return m_emptyFrame1; }
    void setEmptyFrameColor1(const QColor &c) { m_emptyFrame1 = c; }
    QColor EmptyFrameColor2() const { return m_emptyFrame2; }
    void setEmptyFrameColor2(const QColor &c) { m_emptyFrame2 = c; }
    QColor BottomFrameColor() const { return m_bottomFrame; }
    void setBottomFrameColor(const QColor &c) { m_bottomFrame = c; }
    QColor BottomColor() const { return m_bottom; }
    void setBottomColor(const QColor &c) { m_bottom = c; }
    QColor FilledFrameColor() const { return m_filledFrame; }
    void setFilledFrameColor(const QColor &c) { m_filledFrame = c; }
    QColor FilledColor() const { return m_filled; }
    void setFilledColor(const QColor &c) { m_filled = c; }
    QColor FilledSideColor1() const { return m_filledSide1; }
    void setFilledSideColor1(const QColor &c) { m_filledSide1 = c; }
    QColor FilledSideColor2() const { return m_filledSide2; }
    void setFilledSideColor2(const QColor &c) { m_filledSide2 = c; }
    QColor EmptyLineColor() const { return m_emptyLine; }
    void setEmptyLineColor(const QColor &c) { m_emptyLine = c; }
    QColor FilledLineColor() const { return m_filledLine; }
    void setFilledLineColor(const QColor &c) { m_filledLine = c; }
    /// Colour of the percentage text.
    QColor FontColor() const { return m_fontColor; }
    void setFontColor(const QColor &c) { m_fontColor = c; }

    int Min() const { return m_min; }
    void setMin(int value);
    int Max() const { return m_max; }
    void setMax(int value);
    int Progress() const { return m_progress; }
    void setProgress(int value);
    bool ShowPercentage() const { return m_showPercentage; }
    void setShowPercentage(bool show);

    /// Offset of the column inside the control.
    int X() const { return m_x; }
    void setX(int x) { m_x = x; }
    int Y() const { return m_y; }
    void setY(int y) { m_y = y; }

    TRBColorScheme ColorScheme() const { return m_scheme; }
    /// Overwrites the fifteen colours and the text colour with the scheme's
    /// presets; takes effect at the next drawing.
    void setColorScheme(TRBColorScheme scheme);

    /// Background of the control and of the percentage text.
    QColor Color() const { return m_color; }
    void setColor(const QColor &c) { m_color = c; }

    /// Fill level for the current values and the given control height.
    RarBarLevel level(int controlHeight) const;

    /// The picture of the control at the given device pixel ratio; paint
    /// events copy it to the screen.
    QImage composeImage(qreal devicePixelRatio) const;

    QSize sizeHint() const override { return {60, 180}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void redrawNow();
    // The steps of composeImage: `bottom` is the column's base line, `fill`
    // its filled pixels.
    void drawColumnEdges(QPainter &painter, int bottom, int fill, int scale) const;
    void drawColumnFaces(QPainter &painter, int bottom, int fill) const;
    void drawPercentage(QPainter &painter, int fillTop, long long percent) const;
    /// The gauge's font, made to fit `text` into `room` pixels.
    QFont percentageFont(const QString &text, int room) const;

    QColor m_top, m_side1, m_side2, m_empty1, m_empty2, m_emptyFrame1, m_emptyFrame2;
    QColor m_bottomFrame, m_bottom, m_filledFrame, m_filled, m_filledSide1, m_filledSide2;
    QColor m_emptyLine, m_filledLine, m_fontColor, m_color;
    int m_min = 0;
    int m_max = 100;
    int m_progress = 0;
    bool m_showPercentage = true;
    int m_x = 0;
    int m_y = 5;
    TRBColorScheme m_scheme = rcPurpleBlue;
};

} // namespace quillarc

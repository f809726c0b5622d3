#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

class QPainter;

namespace quillarc {

enum TGlossButtonType : int {
    bsOrb = 0,
    bsButton = 1
};

enum TGlossCustomColor : int {
    ccNone = 0,
    ccPaleBlue = 1,
    ccNeonBlue = 2,
    ccNeonGreen = 3,
    ccNeonPink = 4,
    ccOrange = 5,
    ccViolet = 6,
    ccRose = 7,
    ccPepermint = 8,
    ccBurntOrange = 9,
    ccBrown = 10,
};

/// Darkens (codes 0..4), keeps (5) or lightens toward white (6..9) a colour;
/// see the table in the source. Other codes leave the colour as it is.
QColor ShadeColor(const QColor &colour, int code);

/// The preset face colour of a custom colour code; invalid for ccNone.
QColor customColorValue(TGlossCustomColor code);

/// Glossy pill-shaped (or round) push button: a rim taken from the colour
/// behind it, a face in the button colour, a gloss band in the upper third
/// and a glow in the lower half. It lights up under the pointer and shifts
/// its highlights while pressed. Used from the window thread only.
class TGlossButton : public QWidget {
    Q_OBJECT
public:
    enum class MouseState {
        Normal,
        Hover,
        Pressed
    };

    explicit TGlossButton(QWidget *parent = nullptr);

    bool CaptionMouseOver() const { return m_captionMouseOver; }
    void setCaptionMouseOver(bool on) { m_captionMouseOver = on; }
    bool ButtonActive() const { return m_buttonActive; }
    void setButtonActive(bool on);
    /// Colour assumed behind the button when none can be found.
    QColor BackgroundError() const { return m_backgroundError; }
    void setBackgroundError(const QColor &c) { m_backgroundError = c; }
    QColor ButtonColor() const { return m_buttonColor; }
    void setButtonColor(const QColor &c);
    TGlossButtonType ButtonShape() const { return m_shape; }
    void setButtonShape(TGlossButtonType shape);
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QColor FontColor() const { return m_fontColor; }
    void setFontColor(const QColor &c);
    TGlossCustomColor CustomColor() const { return m_customColor; }
    void setCustomColor(TGlossCustomColor code);
    bool SmallCorners() const { return m_smallCorners; }
    void setSmallCorners(bool on);

    /// Clicks the button as a key does: only when it is enabled.
    void click();

    MouseState mouseState() const { return m_state; }
    bool isArmed() const { return m_armed; }

    /// Whether a point (in the button's own pixels) lies on the button's shape.
    bool hitTest(const QPoint &point) const;

    /// Colour behind the button, read from the nearest ancestor that paints
    /// its own background; BackgroundError when there is none.
    QColor backgroundColour() const;

    /// The picture of the button in its present state.
    QImage composeImage(qreal devicePixelRatio) const;

    QSize sizeHint() const override { return {75, 25}; }

    /// Width the caption may take between the pill's rounded ends.
    int captionRoom() const;
    /// The button's font, made smaller where needed so that the caption fits
    /// within captionRoom() (never below 8 pixels).
    QFont fittedCaptionFont() const;

Q_SIGNALS:
    /// A completed click (OnClick).
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setState(MouseState state);
    /// The face colour for the button's colour, state and whether it is enabled.
    QColor faceColour() const;
    void drawCaption(QPainter &painter, const QColor &face) const;

    bool m_captionMouseOver = false;
    bool m_buttonActive = false;
    QColor m_backgroundError;
    QColor m_buttonColor {0, 0, 255};
    TGlossButtonType m_shape = bsButton;
    QString m_caption;
    QColor m_fontColor {0, 0, 0};
    TGlossCustomColor m_customColor = ccNone;
    bool m_smallCorners = false;
    MouseState m_state = MouseState::Normal;
    bool m_armed = false;
    bool m_keyArmed = false; ///< Space is down on the focused button
};

} // namespace quillarc

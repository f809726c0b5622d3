#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

#include <optional>

class QFontDialog;
class QPushButton;

namespace quillarc {

/// What the list font chooser gives: a face with its size and style, and
/// the colour of the list's text.
struct ListFontChoice {
    QFont font;
    QColor colour;
};

/// The font chooser of the Font command: the desktop's font chooser with a
/// "Colour..." button beside it, as the list's font carries a colour too.
class ListFontDialog : public QDialog {
    Q_OBJECT
public:
    ListFontDialog(QWidget *parent, const QFont &font, const QColor &colour);

    ListFontChoice choice() const;
    /// Sets the text colour, as the "Colour..." button does once chosen.
    void setColour(const QColor &colour);

    QFontDialog *fontChooser() const { return m_fonts; }
    QPushButton *colourButton() const { return m_colourButton; }

    /// Runs the dialog; nullopt when the person cancels.
    static std::optional<ListFontChoice> choose(QWidget *parent, const QFont &font, const QColor &colour);

private:
    void pickColour();

    QFontDialog *m_fonts = nullptr;
    QPushButton *m_colourButton = nullptr;
    QColor m_colour;
};

} // namespace quillarc

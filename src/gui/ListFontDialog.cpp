#include "gui/ListFontDialog.h"

#include "gui/Widgets.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillarc {

ListFontDialog::ListFontDialog(QWidget *parent, const QFont &font, const QColor &colour)
    : QDialog(parent, Widgets::dialogFlags()), m_colour(colour.isValid() ? colour : QColor(Qt::black))
{
    setWindowTitle(QStringLiteral("Font"));
    // The desktop's chooser, shown inside this dialog without its own
    // buttons, so that the colour sits beside the face and size.
    m_fonts = new QFontDialog(font, this);
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);

    m_colourButton = new QPushButton(QStringLiteral("&Colour..."), this);
    connect(m_colourButton, &QPushButton::clicked, this, &ListFontDialog::pickColour);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *row = new QHBoxLayout;
    row->addWidget(m_colourButton);
    row->addStretch(1);
    row->addWidget(buttons);
    auto *column = new QVBoxLayout(this);
    column->addWidget(m_fonts, 1);
    column->addLayout(row);
    setColour(m_colour);
}

ListFontChoice ListFontDialog::choice() const
{
    return {m_fonts->currentFont(), m_colour};
}

void ListFontDialog::setColour(const QColor &colour)
{
    if (!colour.isValid())
        return;
    m_colour = colour;
    // A swatch of the colour on the button shows what the list will get.
    QPixmap swatch(16, 16);
    swatch.fill(colour);
    QPainter(&swatch).drawRect(0, 0, 15, 15);
    m_colourButton->setIcon(QIcon(swatch));
}

void ListFontDialog::pickColour()
{
    const QColor chosen = QColorDialog::getColor(m_colour, this, QStringLiteral("Colour"));
    if (chosen.isValid())
        setColour(chosen);
}

std::optional<ListFontChoice> ListFontDialog::choose(QWidget *parent, const QFont &font, const QColor &colour)
{
    ListFontDialog dialog(parent, font, colour);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

} // namespace quillarc

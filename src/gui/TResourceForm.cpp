#include "gui/TResourceForm.h"

#include "gui/Fonts.h"
#include "gui/Widgets.h"
#include "gui/controls/TRarBar.h"
#include "platform/qt/TSystemProbe.h"

#include <QLabel>
#include <QPushButton>

namespace quillarc {

TResourceForm::TResourceForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Resources"));
    setFixedSize(612, 433);
    // The desktop face runs wider than the one the layout was drawn for, so
    // the texts are a size smaller and reach to the window's edge.
    setFont(Fonts::sans(14, true));
    // The window is button-face coloured like its gauges, also where the
    // desktop's theme gives windows and buttons different colours.
    Widgets::setBackground(this, palette().color(QPalette::Button));

    StaticText1 = new QLabel(
        QStringLiteral("  RAM                User                 GDI             System      Memory Load"), this);
    StaticText1->setGeometry(40, 16, 566, 24);

    auto gauge = [&](int left) {
        auto *bar = new TRarBar(this);
        bar->setGeometry(left, 56, 60, 180);
        bar->setColorScheme(rcPurpleBlue);
        bar->setMin(0);
        bar->setMax(100);
        bar->setProgress(0);
        bar->setShowPercentage(true);
        bar->setFont(Fonts::sans(11, true));
        bar->setFontColor(QColor(0x80, 0x00, 0x80));
        return bar;
    };
    MemoryRarBar = gauge(56);
    UserRarBar = gauge(176);
    GDIRarBar = gauge(296);
    SystemRarBar = gauge(408);
    LoadRarBar = gauge(520);

    auto text = [&](const QString &caption, const QRect &geometry) {
        auto *label = new QLabel(caption, this);
        label->setGeometry(geometry);
        return label;
    };
    StaticText2 = text(QStringLiteral("RAM - % usage of installed RAM chips"), QRect(56, 256, 540, 24));
    StaticText3 =
        text(QStringLiteral("User, GDI,. and System : amount of computer resources in use"), QRect(56, 288, 540, 24));
    StaticText4 =
        text(QStringLiteral("Memory Load - total RAM and Swap File (virtual) memory in use"), QRect(56, 320, 540, 24));

    Button1 = new QPushButton(QStringLiteral("Close"), this);
    Button1->setGeometry(240, 368, 177, 57);
    Button1->setCursor(Qt::PointingHandCursor);
    Button1->setFont(Fonts::sans(16, true));
    Button1->setDefault(true); // Enter; Escape closes every dialog
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TResourceForm::setFromProbe(const TSystemProbe &probe)
{
    const TResources &resources = probe.Resources();
    GDIRarBar->setProgress(100 - resources.GDIResources);
    UserRarBar->setProgress(100 - resources.UserResources);
    SystemRarBar->setProgress(100 - resources.SystemResources);
    MemoryRarBar->setProgress(probe.Memory().PhysicalUsedPercent());
    LoadRarBar->setProgress(probe.Memory().MemoryLoad);
}

void TResourceForm::showEvent(QShowEvent *event)
{
    Widgets::centreOnScreen(this);
    QDialog::showEvent(event);
}

} // namespace quillarc

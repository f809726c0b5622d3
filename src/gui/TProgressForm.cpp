#include "gui/TProgressForm.h"

#include "engine/PassState.h"
#include "gui/Fonts.h"
#include "gui/Widgets.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>

namespace quillarc {

TProgressForm::TProgressForm(QWidget *parent, PassFlag *abortFlag)
    : QWidget(parent, Widgets::dialogFlags(Qt::Tool) | Qt::WindowStaysOnTopHint), m_abortFlag(abortFlag)
{
    setWindowTitle(QStringLiteral("Progress"));
    setFixedSize(183, 156);
    setFont(Fonts::sans(13));
    const QColor background = palette().color(QPalette::ToolTipBase);
    Widgets::setBackground(this, background);
    Widgets::setTextColour(this, palette().color(QPalette::ToolTipText));

    StaticText1 = new QLabel(QStringLiteral("Scanned"), this);
    StaticText1->move(12, 2);
    StaticText2 = new QLabel(QStringLiteral("This Folder"), this);
    StaticText2->move(88, 2);

    auto gauge = [&](int left) {
        auto *bar = new TRarBar(this);
        bar->setGeometry(left, 24, 60, 80);
        bar->setMin(0);
        bar->setMax(100);
        bar->setProgress(0);
        bar->setShowPercentage(true);
        bar->setColorScheme(rcPurpleBlue);
        // Gauges take the colour of the window they sit on.
        bar->setColor(background);
        return bar;
    };
    TotalRarBar = gauge(24);
    FolderRarBar = gauge(104);

    AbortButton = new TGlossButton(this);
    AbortButton->setGeometry(46, 120, 83, 25);
    AbortButton->setCaption(QStringLiteral("ABORT"));
    AbortButton->setCustomColor(ccRose);
    AbortButton->setFontColor(Qt::white);
    AbortButton->setCursor(Qt::PointingHandCursor);
    AbortButton->setToolTip(QStringLiteral("FORCE PROGRAM STOP.  YOU WILL NEED TO BACKUP THIS FOLDER AGAIN."));
    connect(AbortButton, &TGlossButton::clicked, this, &TProgressForm::AbortButtonClick);
}

void TProgressForm::showBeside(const QWidget *mainWindow)
{
    m_mainWindow = mainWindow;
    placeBeside();
    FolderRarBar->setProgress(0);
    show();
    // The window manager gives the frame its size only after the first
    // show; placing again once it has puts the first show where later ones
    // go.
    placeBeside();
    if (!m_shownBefore) {
        m_shownBefore = true;
        QTimer::singleShot(100, this, [this] {
            if (isVisible())
                placeBeside();
        });
    }
    raise();
    repaint();
}

void TProgressForm::placeBeside()
{
    if (!m_mainWindow)
        return;
    winId();
    const QRect main = m_mainWindow->frameGeometry();
    move(main.x() + main.width() - frameGeometry().width(), main.y() + 20);
}

void TProgressForm::closeEvent(QCloseEvent *event)
{
    // The close box the desktop insists on is the window's ABORT: a person
    // closing a progress window means to stop what it shows. The window
    // itself stays until the pass has ended, as after ABORT.
    event->ignore();
    if (isVisible())
        AbortButtonClick();
}

void TProgressForm::RemoveProgressForm()
{
    if (isVisible())
        hide();
}

void TProgressForm::AbortButtonClick()
{
    if (m_abortFlag)
        m_abortFlag->set();
    Q_EMIT abortRequested();
}

} // namespace quillarc

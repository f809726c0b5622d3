#include "gui/restore/RestoreProgressForm.h"

#include "gui/Fonts.h"
#include "gui/Widgets.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"

#include <QCloseEvent>
#include <QLabel>

namespace quillarc {

RestoreProgressForm::RestoreProgressForm(int files, QWidget *parent)
    : QWidget(parent, Widgets::dialogFlags(Qt::Tool) | Qt::WindowStaysOnTopHint), m_files(std::max(files, 1))
{
    setWindowTitle(QStringLiteral("Getting Files Back"));
    setFixedSize(183, 156);
    setFont(Fonts::sans(13));
    const QColor background = palette().color(QPalette::ToolTipBase);
    Widgets::setBackground(this, background);
    Widgets::setTextColour(this, palette().color(QPalette::ToolTipText));

    auto *title = new QLabel(QStringLiteral("Restored"), this);
    title->setGeometry(0, 2, 183, 18);
    title->setAlignment(Qt::AlignHCenter);
    filesBar = new TRarBar(this);
    filesBar->setGeometry(61, 22, 60, 72);
    filesBar->setMin(0);
    filesBar->setMax(100);
    filesBar->setProgress(0);
    filesBar->setShowPercentage(true);
    filesBar->setColorScheme(rcPurpleBlue);
    filesBar->setColor(background);
    diskText = new QLabel(this);
    diskText->setGeometry(4, 96, 175, 20);
    diskText->setAlignment(Qt::AlignHCenter);

    stopButton = new TGlossButton(this);
    stopButton->setGeometry(46, 120, 83, 25);
    stopButton->setCaption(QStringLiteral("STOP"));
    stopButton->setCustomColor(ccRose);
    stopButton->setFontColor(Qt::white);
    stopButton->setCursor(Qt::PointingHandCursor);
    stopButton->setToolTip(QStringLiteral("Stop after the files in hand; run the same restore again to go on."));
    connect(stopButton, &TGlossButton::clicked, this, [this] {
        stopButton->setEnabled(false);
        Q_EMIT stopRequested();
    });
}

void RestoreProgressForm::showProgress(int finished, const QString &disk)
{
    filesBar->setProgress(static_cast<int>(100LL * finished / m_files));
    diskText->setText(QStringLiteral("from ") + disk);
}

void RestoreProgressForm::closeEvent(QCloseEvent *event)
{
    // Closing is STOP: the restore ends cleanly, never half a file.
    event->ignore();
    stopButton->setEnabled(false);
    Q_EMIT stopRequested();
}

} // namespace quillarc

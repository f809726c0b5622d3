#include "gui/verify/VerifyProgressForm.h"

#include "gui/CountText.h"
#include "gui/Fonts.h"
#include "gui/Widgets.h"
#include "gui/controls/TGlossButton.h"
#include "gui/controls/TRarBar.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLocale>

namespace quillarc {

VerifyProgressForm::VerifyProgressForm(const QString &label, QWidget *parent)
    : QWidget(parent, Widgets::dialogFlags(Qt::Tool) | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Verify"));
    setFixedSize(260, 156);
    setFont(Fonts::sans(13));
    const QColor background = palette().color(QPalette::ToolTipBase);
    Widgets::setBackground(this, background);
    Widgets::setTextColour(this, palette().color(QPalette::ToolTipText));

    CaptionText = new QLabel(QStringLiteral("Verifying %1").arg(label), this);
    CaptionText->setGeometry(12, 2, 236, 20);
    CaptionText->setFont(Fonts::sans(13, true));
    CopiesRarBar = new TRarBar(this);
    CopiesRarBar->setGeometry(12, 24, 60, 80);
    CopiesRarBar->setMin(0);
    CopiesRarBar->setMax(100);
    CopiesRarBar->setProgress(0);
    CopiesRarBar->setShowPercentage(true);
    CopiesRarBar->setColorScheme(rcPurpleBlue);
    CopiesRarBar->setColor(background);
    CountText = new QLabel(QStringLiteral("Counting the copies..."), this);
    CountText->setGeometry(84, 30, 168, 36);
    CountText->setWordWrap(true);
    PathText = new QLabel(this);
    PathText->setGeometry(84, 70, 168, 34);
    PathText->setWordWrap(true);

    StopButton = new TGlossButton(this);
    StopButton->setGeometry(88, 120, 83, 25);
    StopButton->setCaption(QStringLiteral("STOP"));
    StopButton->setCustomColor(ccRose);
    StopButton->setFontColor(Qt::white);
    StopButton->setCursor(Qt::PointingHandCursor);
    StopButton->setToolTip(QStringLiteral("Stops after the file being read. What was verified is kept; the next "
                                          "verify goes on from there."));
    connect(StopButton, &TGlossButton::clicked, this, &VerifyProgressForm::stop);
}

void VerifyProgressForm::showBeside(const QWidget *mainWindow)
{
    show();
    // Where the pass's progress window goes: the main window's right edge,
    // 20 pixels below its top.
    if (mainWindow) {
        const QRect main = mainWindow->frameGeometry();
        move(main.x() + main.width() - frameGeometry().width(), main.y() + 20);
    }
    raise();
}

void VerifyProgressForm::setProgress(std::int64_t read, std::int64_t total, const QString &path)
{
    if (m_stopping)
        return;
    const QLocale locale;
    if (total < 0) {
        CountText->setText(QStringLiteral("Counting the copies..."));
        return;
    }
    CountText->setText(
        QStringLiteral("%1 of %2 read")
            .arg(locale.toString(qlonglong(read)),
                 countText(static_cast<std::uint64_t>(total), QStringLiteral("copy"), QStringLiteral("copies"))));
    CopiesRarBar->setProgress(total == 0 ? 100 : static_cast<int>(std::min<std::int64_t>(100, read * 100 / total)));
    const QString name = path.section(QLatin1Char('/'), -1);
    PathText->setText(PathText->fontMetrics().elidedText(name, Qt::ElideMiddle, PathText->width() * 2 - 8));
}

void VerifyProgressForm::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    StopButton->setEnabled(false);
    CountText->setText(QStringLiteral("Stopping after this file..."));
    Q_EMIT stopRequested();
}

void VerifyProgressForm::closeEvent(QCloseEvent *event)
{
    // Closing the window means stopping what it shows; it goes when the
    // verify has ended.
    event->ignore();
    stop();
}

} // namespace quillarc

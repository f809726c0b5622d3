// The main window's life: creation in the order the program has always
// followed, showing, closing (also in the middle of a pass), and the
// top-level error handler.
#include "gui/TQLForm.h"

#include "gui/GuiPassUi.h"
#include "gui/MessageBox.h"
#include "gui/TProgressForm.h"
#include "gui/TStartmenuForm.h"
#include "gui/Widgets.h"
#include "gui/controls/TGlossButton.h"
#include "gui/find/FindDialog.h"
#include "gui/mainwindow/AutoBackupEntry.h"
#include "gui/mainwindow/BackupListModel.h"
#include "gui/mainwindow/LowerCaseEdit.h"
#include "base/Clock.h"
#include "platform/qt/TSHChangeNotify.h"
#include "platform/qt/TSystemProbe.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
#include <QWindow>

#include <exception>

namespace quillarc {

namespace {

constexpr std::uint64_t kLowMemoryBytes = 3000000;
const char *const kLowMemoryMessage =
    "YOUR SYSTEM IS LOW ON MEMORY.TO ENSURE PROPER OPERATION OF THE PROGRAMTRY CLOSING APPLICATIONS BEFORE "
    "RUNNING THE BACKUP OPERATION.";

void oneShot(QTimer &timer, int interval)
{
    timer.setSingleShot(true);
    timer.setInterval(interval);
}

} // namespace

TQLForm::TQLForm(MainWindowEnvironment environment, QWidget *parent)
    : QWidget(parent), m_env(std::move(environment)), m_clock(m_env.clock ? *m_env.clock : Clock::system()),
      m_session(*m_env.host, m_env.programFolder), m_list(m_session.list()), m_config(m_session.config())
{
    buildLayout();
    connectCommands();
    connectShortcuts();
    followFreeSpace();
    // A check box toggled in the table is a list edit like any other.
    m_model->setCheckHandler(
        [this](std::size_t row, bool checked) { guarded([&] { m_session.setChecked(row, checked); }); });

    oneShot(Timer2, 50);
    oneShot(SHTimer, 1000);
    oneShot(TXTTimer, 2000);
    CloseTimer.setInterval(50);
    connect(&Timer2, &QTimer::timeout, this, handler(&TQLForm::Timer2Timer));
    connect(&SHTimer, &QTimer::timeout, this, handler(&TQLForm::SHTimerTimer));
    connect(&TXTTimer, &QTimer::timeout, this, handler(&TQLForm::TXTTimerTimer));
    connect(&CloseTimer, &QTimer::timeout, this, handler(&TQLForm::CloseTimerTimer));

    // Media events for the backup drive.
    guarded([this] {
        m_notify = new TSHChangeNotify(this, std::move(m_env.notifySource));
        m_notify->setOnMediaInserted([this](TSHChangeNotify *, std::uint32_t flags, const QString &path) {
            guarded([&] { SHChangeNotify1MediaInserted(flags, path); });
        });
        m_notify->setOnMediaRemoved([this](TSHChangeNotify *, std::uint32_t flags, const QString &path) {
            guarded([&] { SHChangeNotify1MediaRemoved(flags, path); });
        });
    });
    m_probe = new TSystemProbe(this);
    attachMountedDiskSupport(*this, m_env.programFolder);
    attachFindCommand(*this, *PopupMenu, m_env.programFolder);

    guarded([this] { FormCreate(); });
}

void TQLForm::guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const EditRefused &refusal) {
        // A refused edit is the same notice whichever command met it.
        MessageBox::notice(this, QString::fromStdString(refusal.what()));
    } catch (const std::exception &error) {
        showError(QString::fromStdString(error.what()));
    }
}

void TQLForm::showError(const QString &text)
{
    MessageBox::error(this, text);
}

void TQLForm::FormCreate()
{
    m_probe->Refresh();
    const std::uint64_t freeMemory =
        m_env.freePhysicalMemory ? m_env.freePhysicalMemory() : m_probe->Memory().PhysicalFree;
    if (freeMemory < kLowMemoryBytes)
        MessageBox::notice(this, QString::fromLatin1(kLowMemoryMessage));

    sizeWindow();

    const std::string configPath = m_env.programFolder + std::string(kConfigFileName);
    if (QFileInfo::exists(QString::fromStdString(configPath))) {
        // A config without a size keeps the design's, not what fitted here.
        m_config.windowWidth = m_wantedSize.width();
        m_config.windowHeight = m_wantedSize.height();
        m_config.windowLeft = x();
        m_config.windowTop = y();
        try {
            LoadPConfigFile(configPath, m_config);
        } catch (...) {
            // The lines before the bad one stay applied.
            m_rememberedPlace = QPoint(m_config.SavedLeft, m_config.SavedTop);
            applyConfig();
            throw;
        }
        m_rememberedPlace = QPoint(m_config.SavedLeft, m_config.SavedTop);
        applyConfig();
    } else {
        TStartmenuForm links(this, m_env.programPath, m_env.shellFolders);
        links.exec();
        TXTTimer.start();
    }

    // The disk in hand from the start; its list is read by the first check.
    m_session.readLabel();
    showMedium();
}

void TQLForm::sizeWindow()
{
    // Logical pixels: at a scale factor of 2 the window still fits.
    const QScreen *screen = this->screen();
    const QSize size = screen ? screen->geometry().size() : QSize(1024, 768);
    resize(std::min(size.width() - 10, 790), std::min(size.height() - 60, 540));
    m_wantedSize = QSize(790, 540);
    m_fittedSize = this->size();
}

void TQLForm::createProgressForm()
{
    m_progress = new TProgressForm(this);
    m_progress->hide();
    GuiPassUi::MainWindowHooks hooks;
    hooks.statusWidget = [this](StatusLine line) -> QWidget * {
        return line == StatusLine::File ? StatusBar : StatusBarFolder;
    };
    hooks.setStatusText = [this](StatusLine line, const QString &text) {
        (line == StatusLine::File ? StatusBar : StatusBarFolder)->setText(text);
    };
    hooks.showFreeSpace = [this](std::int64_t freeBytes) {
        m_session.showFree(freeBytes);
        FreeSpaceStatusBar->setText(QString::fromStdString(m_session.freeLine()));
    };
    hooks.showVolumeLabel = [this](const QString &label) {
        m_session.passMovedTo(label.toStdString());
        Edit2->setText(label);
    };
    hooks.passEnded = [this] { guarded([this] { TimerTimer(); }); };
    m_passUi = std::make_unique<GuiPassUi>(this, m_progress, std::move(hooks));
    // ABORT goes to the run, which knows how to end its worker.
    connect(m_progress, &TProgressForm::abortRequested, this, [this] { abortPass(); });
}

void TQLForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // FormShow: the first medium check runs from the message loop 50 ms
    // after the window is first shown; it moves the window, so later shows
    // (after hiding) do not run it again.
    if (!m_shownOnce) {
        m_shownOnce = true;
        Widgets::centreOnScreen(this);
        Timer2.start();
    }
}

void TQLForm::closeEvent(QCloseEvent *event)
{
    if (BackupRunning()) {
        // Both windows vanish; the pass ends after the file in hand and
        // CloseTimer closes the window for good once it has.
        abortPass();
        if (m_progress)
            m_progress->RemoveProgressForm();
        hide();
        event->ignore();
        CloseTimer.start();
        return;
    }
    doclosecode();
    event->accept();
    if (!m_closingForGood) {
        m_closingForGood = true;
        Q_EMIT programEnded();
    }
}

void TQLForm::CloseTimerTimer()
{
    if (BackupRunning())
        return;
    CloseTimer.stop();
    close();
}

void TQLForm::doclosecode()
{
    // Nothing may keep the program from ending: errors are swallowed, and a
    // failed config save skips the list save as it always has.
    try {
        SAvePConfigFile();
        SAveIniFile();
    } catch (...) {
    }
}

void TQLForm::bringBack()
{
    // Hidden by a close during a pass: the program ends as soon as the pass
    // has, and a window now would be closed under the person's hands.
    if (m_closingForGood || CloseTimer.isActive())
        return;
    // A window destroyed from outside (a window manager or compositor that
    // went away, a tool that closes windows by force) leaves this widget
    // believing it is shown; it gets a new one.
    QWindow *native = windowHandle();
    if (!native || !native->handle() || !native->isExposed()) {
        hide();
        destroy(true, true);
        create();
    }
    showNormal();
    raise();
    activateWindow();
}

void TQLForm::exitButtonClick()
{
    close();
}

} // namespace quillarc

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
#include "gui/mainwindow/ContextMenus.h"
#include "gui/mainwindow/MainWindowUi.h"
#include "gui/mainwindow/PassController.h"
#include "gui/mainwindow/FilterStrip.h"
#include "gui/mainwindow/LowerCaseEdit.h"
#include "base/Clock.h"
#include "platform/qt/TSHChangeNotify.h"
#include "platform/qt/TSystemProbe.h"

#include <QAction>
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
      m_session(*m_env.host, m_env.programFolder), m_ui(std::make_unique<MainWindowUi>())
{
    m_model = new BackupListModel(m_session.list(), this);
    m_ui->setupUi(this, m_model);
    m_pass = std::make_unique<PassController>(*this, *m_ui, m_session, m_clock);
    m_menus = new ContextMenus(*this, *m_ui);
    connectCommands();
    connectShortcuts();
    connectTimers();
    followFreeSpace();
    // A check box toggled in the table is a list edit like any other.
    m_model->setCheckHandler(
        [this](std::size_t row, bool checked) { guarded([&] { m_session.setChecked(row, checked); }); });
    connectMediaEvents();
    m_probe = new TSystemProbe(this);
    attachMountedDiskSupport(*this, m_env.programFolder);
    attachFindCommand(*this, m_env.programFolder);
    // Getting files back needs no item of the list: its key works anywhere
    // in the window.
    QAction *getBack = menus().addListEntry(QStringLiteral("Get Files Back..."), [this] { GetFilesBackClick(); });
    getBack->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    getBack->setShortcutContext(Qt::WindowShortcut);
    addAction(getBack);

    guarded([this] { FormCreate(); });
}

TQLForm::~TQLForm()
{
    // Torn down without closing (tests, a crash of the event loop): a pass
    // still going ends before the list and the ui it borrows go.
    m_pass.reset();
    // The view's model listens to the list, a member that goes before the
    // window's children do: it must stop listening first.
    delete m_model;
    m_model = nullptr;
}

void TQLForm::connectTimers()
{
    oneShot(m_ui->Timer2, 50);
    oneShot(m_ui->SHTimer, 1000);
    oneShot(m_ui->TXTTimer, 2000);
    m_ui->CloseTimer.setInterval(50);
    connect(&m_ui->Timer2, &QTimer::timeout, this, handler(&TQLForm::Timer2Timer));
    connect(&m_ui->SHTimer, &QTimer::timeout, this, handler(&TQLForm::SHTimerTimer));
    connect(&m_ui->TXTTimer, &QTimer::timeout, this, handler(&TQLForm::TXTTimerTimer));
    connect(&m_ui->CloseTimer, &QTimer::timeout, this, handler(&TQLForm::CloseTimerTimer));
}

void TQLForm::connectMediaEvents()
{
    guarded([this] {
        m_notify = new TSHChangeNotify(this, std::move(m_env.notifySource));
        m_notify->setOnMediaInserted([this](TSHChangeNotify *, std::uint32_t flags, const QString &path) {
            guarded([&] { SHChangeNotify1MediaInserted(flags, path); });
        });
        m_notify->setOnMediaRemoved([this](TSHChangeNotify *, std::uint32_t flags, const QString &path) {
            guarded([&] { SHChangeNotify1MediaRemoved(flags, path); });
        });
    });
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

    const std::string configPath = m_session.configPath();
    if (QFileInfo::exists(QString::fromStdString(configPath))) {
        // A config without a size keeps the design's, not what fitted here.
        m_session.setWindowPlace(x(), y(), m_wantedSize.width(), m_wantedSize.height());
        try {
            m_session.loadConfig(configPath);
        } catch (...) {
            // The lines before the bad one stay applied.
            m_rememberedPlace = QPoint(SavedLeft(), SavedTop());
            applyConfig();
            throw;
        }
        m_rememberedPlace = QPoint(SavedLeft(), SavedTop());
        applyConfig();
    } else {
        TStartmenuForm links(this, m_env.programPath, m_env.shellFolders);
        links.exec();
        m_ui->TXTTimer.start();
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
    m_pass->createProgressForm();
}

TProgressForm *TQLForm::progressForm() const
{
    return m_pass->progressForm();
}

BackupRun *TQLForm::currentRun() const
{
    return m_pass->run();
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
        m_ui->Timer2.start();
    }
}

void TQLForm::closeEvent(QCloseEvent *event)
{
    if (BackupRunning()) {
        // Both windows vanish; the pass ends after the file in hand and
        // m_ui->CloseTimer closes the window for good once it has.
        m_pass->abort();
        if (TProgressForm *progress = m_pass->progressForm())
            progress->RemoveProgressForm();
        hide();
        event->ignore();
        m_ui->CloseTimer.start();
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
    m_ui->CloseTimer.stop();
    close();
}

void TQLForm::doclosecode()
{
    // Nothing may keep the program from ending: errors are swallowed, and a
    // failed config save skips the list save as it always has.
    try {
        SAvePConfigFile();
        saveItems();
    } catch (...) {
    }
}

void TQLForm::bringBack()
{
    // Hidden by a close during a pass: the program ends as soon as the pass
    // has, and a window now would be closed under the person's hands.
    if (m_closingForGood || m_ui->CloseTimer.isActive())
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

// The pass commands under their own names; the controller carries them out.
void TQLForm::BackupButtonClick()
{
    m_pass->start();
}

void TQLForm::StopButtonClick()
{
    m_pass->stop();
}

void TQLForm::buttondisable()
{
    m_pass->buttondisable();
}

void TQLForm::buttonenable()
{
    m_pass->buttonenable();
}

void TQLForm::TimerTimer()
{
    m_pass->end();
}

} // namespace quillarc

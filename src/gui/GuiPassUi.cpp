#include "gui/GuiPassUi.h"

#include "engine/BackupRun.h"
#include "gui/MessageBox.h"
#include "gui/StatusPath.h"
#include "gui/TFullForm.h"
#include "gui/TProgressForm.h"
#include "gui/controls/TRarBar.h"

#include <QThread>
#include <QWidget>

#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace quillarc {

GuiPassUi::GuiPassUi(QWidget *window, TProgressForm *progress, MainWindowHooks hooks)
    : m_window(window), m_progress(progress), m_hooks(std::move(hooks))
{
    m_endTimer.setSingleShot(true);
    m_endTimer.setInterval(50);
    connect(&m_endTimer, &QTimer::timeout, this, [this] {
        m_refreshTimer.stop();
        refresh(); // the final status rows and the last list changes
        m_run = nullptr;
        if (m_hooks.passEnded)
            m_hooks.passEnded();
    });
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &GuiPassUi::refresh);
    m_wakeFd.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (m_wakeFd) {
        m_wake = new QSocketNotifier(static_cast<qintptr>(m_wakeFd.get()), QSocketNotifier::Read, this);
        connect(m_wake, &QSocketNotifier::activated, this, &GuiPassUi::takeHandOver);
    }
}

void GuiPassUi::wakeWindowThread()
{
    const std::uint64_t one = 1;
    if (m_wakeFd)
        (void)::write(m_wakeFd.get(), &one, sizeof one);
    else // no eventfd: a queued call carries the wake-up instead
        QMetaObject::invokeMethod(this, &GuiPassUi::takeHandOver, Qt::QueuedConnection);
}

// Window thread: runs a question the worker waits for, or starts the end of
// the pass.
void GuiPassUi::takeHandOver()
{
    std::uint64_t count = 0;
    if (m_wakeFd)
        (void)::read(m_wakeFd.get(), &count, sizeof count);
    const std::function<void()> *work = nullptr;
    std::promise<void> *done = nullptr;
    bool ended = false;
    {
        const std::lock_guard lock(m_handOverMutex);
        work = std::exchange(m_work, nullptr);
        done = std::exchange(m_workDone, nullptr);
        ended = std::exchange(m_passEnded, false);
    }
    if (work) {
        try {
            (*work)();
            done->set_value();
        } catch (...) {
            done->set_exception(std::current_exception());
        }
    }
    if (ended)
        m_endTimer.start();
}

void GuiPassUi::follow(BackupRun *run)
{
    m_run = run;
    m_refreshTimer.start();
}

void GuiPassUi::refresh()
{
    if (m_run)
        m_run->deliverProgress();
}

void GuiPassUi::runOnWindowThread(const std::function<void()> &work)
{
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    const std::lock_guard asking(m_askMutex);
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    {
        const std::lock_guard lock(m_handOverMutex);
        m_work = &work;
        m_workDone = &done;
    }
    wakeWindowThread();
    finished.get(); // an exception on the window side reaches the worker
}

QString GuiPassUi::statusText(const QString &prefix, const QString &path, PathFit fit, const QWidget *line)
{
    if (fit == PathFit::Whole || path.isEmpty() || !line)
        return prefix + path;
    const int width = line->width() - (fit == PathFit::LineWidthLess100 ? 100 : 0);
    const QFontMetrics metrics(line->font());
    return prefix + shortenPath(path, metrics, width - metrics.horizontalAdvance(prefix));
}

// The display half runs on the window thread, called by the run's
// deliverProgress() from the refresh timer.
void GuiPassUi::setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit fit)
{
    if (!m_hooks.setStatusText)
        return;
    const QWidget *widget = m_hooks.statusWidget ? m_hooks.statusWidget(line) : nullptr;
    m_hooks.setStatusText(line, statusText(QString::fromStdString(prefix), QString::fromStdString(path), fit, widget));
}

void GuiPassUi::setTotalBar(int percent)
{
    if (m_progress)
        m_progress->TotalRarBar->setProgress(percent);
}

void GuiPassUi::setFolderBar(int percent)
{
    if (m_progress)
        m_progress->FolderRarBar->setProgress(percent);
}

void GuiPassUi::hideProgress()
{
    runOnWindowThread([&] {
        if (m_progress)
            m_progress->RemoveProgressForm();
    });
}

void GuiPassUi::showFreeSpace(std::int64_t freeBytes)
{
    if (m_hooks.showFreeSpace)
        m_hooks.showFreeSpace(freeBytes);
}

void GuiPassUi::showVolumeLabel(const std::string &label)
{
    if (m_hooks.showVolumeLabel)
        m_hooks.showVolumeLabel(QString::fromStdString(label));
}

void GuiPassUi::message(const std::string &text)
{
    runOnWindowThread([&] {
        refresh(); // the status lines as they stand when the box opens
        MessageBox::notice(m_window, QString::fromStdString(text));
    });
}

bool GuiPassUi::confirm(const std::string &text)
{
    bool yes = false;
    runOnWindowThread([&] {
        refresh();
        yes = MessageBox::confirm(m_window, QString::fromStdString(text));
    });
    return yes;
}

DiskFullResult GuiPassUi::diskFull(const DiskFullRules &rules)
{
    DiskFullResult result = DiskFullResult::Cancel;
    runOnWindowThread([&] {
        refresh();
        TFullForm form(rules, m_window);
        form.exec();
        result = form.outcome();
    });
    return result;
}

void GuiPassUi::passEnded()
{
    // The worker ends right after this, so it must not wait for the window.
    {
        const std::lock_guard lock(m_handOverMutex);
        m_passEnded = true;
    }
    wakeWindowThread();
}

} // namespace quillarc

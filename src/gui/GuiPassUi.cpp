#include "gui/GuiPassUi.h"

#include "engine/BackupRun.h"
#include "gui/MessageBox.h"
#include "gui/StatusPath.h"
#include "gui/TFullForm.h"
#include "gui/TProgressForm.h"
#include "gui/controls/TRarBar.h"

#include <QThread>
#include <QWidget>

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
    QMetaObject::invokeMethod(
        this, [&work] { work(); }, Qt::BlockingQueuedConnection);
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
    QMetaObject::invokeMethod(
        this, [this] { m_endTimer.start(); }, Qt::QueuedConnection);
}

} // namespace quillarc

#include "gui/verify/WindowVerify.h"

#include "catalogue/DiskLayout.h"
#include "gui/MessageBox.h"
#include "gui/verify/VerifyProgressForm.h"

#include <QTimer>
#include <QWidget>

#include <chrono>

namespace quillarc {

namespace {

constexpr int kFindingsShown = 12;

} // namespace

WindowVerify::WindowVerify(QWidget &window) : QObject(&window), m_window(window), m_tick(new QTimer(this))
{
    m_tick->setInterval(100);
    connect(m_tick, &QTimer::timeout, this, &WindowVerify::showProgress);
}

WindowVerify::~WindowVerify()
{
    // The window goes: the verify stops after the copy it reads, keeping
    // what it found, and is waited for, since it uses this object.
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool WindowVerify::start(const DiskToVerify &disk)
{
    if (running())
        return false;
    m_stop = false;
    m_read = 0;
    m_total = -1;
    m_progress = new VerifyProgressForm(QString::fromStdString(disk.label), &m_window);
    m_progress->setAttribute(Qt::WA_DeleteOnClose, false);
    connect(m_progress, &VerifyProgressForm::stopRequested, this, [this] { m_stop = true; });
    m_progress->showBeside(&m_window);
    m_tick->start();

    VerifyOptions options;
    options.stamp = disklayout::passStamp(std::chrono::system_clock::now());
    options.stopRequested = [this] { return m_stop.load(); };
    options.progress = [this](const std::string &path) {
        ++m_read;
        const std::lock_guard lock(m_pathMutex);
        m_path = path;
    };
    m_thread = std::thread([this, disk, options = std::move(options)] {
        DiskVerifyOutcome outcome = verifyDiskInDrive(disk, options, [this](std::int64_t copies) { m_total = copies; });
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome)] { ended(outcome); }, Qt::QueuedConnection);
    });
    return true;
}

void WindowVerify::showProgress()
{
    if (!m_progress)
        return;
    std::string path;
    {
        const std::lock_guard lock(m_pathMutex);
        path = m_path;
    }
    m_progress->setProgress(m_read.load(), m_total.load(), QString::fromStdString(path));
}

void WindowVerify::ended(const DiskVerifyOutcome &outcome)
{
    m_thread.join();
    m_tick->stop();
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
    }
    m_progress = nullptr;
    const QString text = noticeText(outcome);
    if (outcome.start == DiskVerifyOutcome::Start::Ran && outcome.report.allGood() && outcome.error.empty())
        MessageBox::notice(&m_window, text);
    else
        MessageBox::error(&m_window, text);
    Q_EMIT finished(outcome);
}

QString WindowVerify::noticeText(const DiskVerifyOutcome &outcome)
{
    if (outcome.start != DiskVerifyOutcome::Start::Ran)
        return QString::fromStdString(outcome.error);
    QString text = QString::fromStdString(outcome.summary);
    int shown = 0;
    std::size_t from = 0;
    const std::string &findings = outcome.findings;
    while (from < findings.size() && shown < kFindingsShown) {
        const std::size_t end = findings.find('\n', from);
        const std::size_t stop = end == std::string::npos ? findings.size() : end;
        text += (shown == 0 ? QStringLiteral("\n\n") : QStringLiteral("\n")) +
                QString::fromStdString(findings.substr(from, stop - from));
        ++shown;
        from = stop + 1;
    }
    const auto all = static_cast<int>(outcome.report.findings.size());
    if (all > shown)
        text += QStringLiteral("\n... and %1 more, in the pass log.").arg(all - shown);
    if (!outcome.error.empty())
        text += QStringLiteral("\n\n") + QString::fromStdString(outcome.error);
    return text;
}

} // namespace quillarc

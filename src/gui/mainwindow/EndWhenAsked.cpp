#include "gui/mainwindow/EndWhenAsked.h"

#include "platform/qt/QuitSignals.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

namespace quillarc {

namespace {
// Often enough that a question a winding-down pass raises goes at once.
constexpr int kStepMs = 20;
} // namespace

EndWhenAsked::EndWhenAsked(QuitSignals &quitSignals, QObject *parent) : QObject(parent)
{
    m_timer.setInterval(kStepMs);
    connect(&m_timer, &QTimer::timeout, this, &EndWhenAsked::step);
    connect(&quitSignals, &QuitSignals::arrived, this, [this] {
        if (!m_timer.isActive()) {
            m_timer.start();
            step();
        }
    });
}

void EndWhenAsked::setWindow(QWidget *window)
{
    m_window = window;
}

void EndWhenAsked::step()
{
    // The innermost question first: each one's answer may raise the next.
    if (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->close();
        return;
    }
    if (m_window && !m_closeAsked) {
        m_closeAsked = true;
        m_window->close();
    }
}

} // namespace quillarc

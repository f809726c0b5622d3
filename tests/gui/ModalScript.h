#pragma once

#include <QApplication>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

namespace quillarc {

/// Answers modal dialogs as a person would, in the order given: each step
/// waits until a dialog of its type is the modal window, then acts on it
/// (clicks its buttons). Dialogs that open inside a command's own modal run
/// are reached because the poll runs in every event loop.
class ModalScript : public QObject {
public:
    ModalScript()
    {
        m_poll.setInterval(5);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && !m_steps.empty() && m_steps.front()(modal))
                m_steps.pop_front();
        });
        m_poll.start();
    }

    template <class Dialog>
    void then(std::function<void(Dialog &)> act)
    {
        m_steps.push_back([act = std::move(act)](QWidget *modal) {
            auto *dialog = qobject_cast<Dialog *>(modal);
            if (!dialog || !dialog->isVisible())
                return false;
            act(*dialog);
            return true;
        });
    }

    bool done() const { return m_steps.empty(); }

private:
    QTimer m_poll;
    std::deque<std::function<bool(QWidget *)>> m_steps;
};

} // namespace quillarc

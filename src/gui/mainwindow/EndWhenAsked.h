#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

namespace quillarc {

class QuitSignals;

/// Ends the program when the session asks it to (a logout, a shutdown,
/// Ctrl+C in the terminal that started it): nobody is there to answer, so
/// every question on screen is dismissed as its Cancel, as often as one
/// comes up, and the window is closed as its Exit button closes it, which
/// stops a pass after the file in hand and saves the config and the list.
/// Made before the window, so that a signal during the first-run steps is
/// not lost.
class EndWhenAsked : public QObject {
    Q_OBJECT
public:
    explicit EndWhenAsked(QuitSignals &quitSignals, QObject *parent = nullptr);

    /// The window to close; until it is given, questions are still dismissed.
    void setWindow(QWidget *window);

private:
    void step();

    QTimer m_timer;
    QPointer<QWidget> m_window;
    bool m_closeAsked = false;
};

} // namespace quillarc

#pragma once

#include "base/UniqueFd.h"

#include <QObject>

class QSocketNotifier;

namespace quillarc {

/// SIGTERM, SIGHUP and SIGINT, delivered as a Qt signal on the thread that
/// made this object. A session that logs out and a system that shuts down
/// ask the program to end with SIGTERM; it should end as its Exit button
/// ends it (a pass stopped after the file in hand, the list and the config
/// saved) instead of wherever it stands. Each of the three is taken once:
/// the same signal again has its default effect, so a second Ctrl+C or a
/// shutdown that no longer waits ends the program at once.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals &) = delete;
    QuitSignals &operator=(const QuitSignals &) = delete;

    /// Whether one of the signals has arrived since this object was made.
    bool hasArrived() const { return m_arrived; }

Q_SIGNALS:
    void arrived(int signalNumber);

private:
    void drain();

    UniqueFd m_readEnd;
    QSocketNotifier *m_notifier = nullptr;
    bool m_arrived = false;
};

} // namespace quillarc

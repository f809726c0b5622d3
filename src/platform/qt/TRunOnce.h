#pragma once

#include "base/UniqueFd.h"

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace quillarc {

/// Keeps one copy of the program running per user and program file name.
/// The first copy holds a lock and listens on a local socket named after its
/// upper-cased file name and the user id; a later copy hands it its program
/// path and arguments and ends with exit code 0 before any window is shown.
/// The lock goes with the process, so a copy that crashed never blocks the
/// next start, and a socket it left behind is replaced.
class TRunOnce : public QObject {
    Q_OBJECT
public:
    /// Another copy was started with this command line; ParamStr holds the
    /// other copy's program path followed by its ParamCount arguments.
    using TOnOtherInstance =
        std::function<void(TRunOnce *sender, std::uint32_t ParamCount, const QStringList &ParamStr)>;

    /// Size limit of a handed-over command line, terminators included.
    static constexpr int kMaxCommandLineBytes = 65536;

    struct Options {
        QString programPath;   ///< default: this program's file
        QStringList arguments; ///< default: this program's arguments
        bool argumentsGiven = false;
        QString socketFolder;                         ///< default: $XDG_RUNTIME_DIR, else a private folder under /tmp
        std::function<void(int exitCode)> endProgram; ///< default: exit()
        std::function<void(const QString &)> reportError; ///< default: standard error
        int handOverTimeoutMs = 5000;
    };

    /// The create step: takes the lock if no other copy holds it.
    explicit TRunOnce(QObject *owner = nullptr);
    TRunOnce(Options options, QObject *owner);
    ~TRunOnce() override;

    /// The loaded step: the first copy starts listening; a later copy hands
    /// over its command line and ends the program (it does not return).
    void Loaded();

    TOnOtherInstance OnOtherInstance;

    const QString &InstanceName() const { return m_instanceName; }
    /// True when this copy holds the lock (or runs unguarded because no lock
    /// could be set up at all).
    bool isFirst() const { return m_first; }
    /// Full path of the local socket the first copy listens on.
    const QString &serverName() const { return m_serverName; }

    /// The hand-over block: each text followed by a NUL, then one more NUL.
    static QByteArray encodeCommandLine(const QString &program, const QStringList &arguments);
    /// The texts of a block; none when it is not a well-formed block.
    /// Empty arguments are kept: the block's length is known.
    static std::optional<QStringList> decodeCommandLine(const QByteArray &block);

private:
    void handOver();
    void acceptConnection();
    void fail(const QString &message);

    Options m_options;
    QString m_instanceName;
    QString m_serverName;
    UniqueFd m_lock; ///< held (flock) by the first copy for as long as it runs
    bool m_first = false;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace quillarc

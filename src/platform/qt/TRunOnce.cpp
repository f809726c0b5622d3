#include "platform/qt/TRunOnce.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {

namespace {

constexpr char kAck = '\x01';

/// A folder only this user can use: $XDG_RUNTIME_DIR when it is ours, else
/// /tmp/quillarc-<uid> made with mode 0700 and checked to be ours.
QString privateFolder()
{
    const uid_t uid = ::geteuid();
    struct stat st {};
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && runtime.startsWith('/') && ::lstat(runtime.constData(), &st) == 0 &&
        S_ISDIR(st.st_mode) && st.st_uid == uid)
        return QFile::decodeName(runtime);
    const QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/quillarc-" + QByteArray::number(uid);
    ::mkdir(folder.constData(), 0700);
    if (::lstat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid && (st.st_mode & 0077) == 0)
        return QFile::decodeName(folder);
    return {};
}

} // namespace

TRunOnce::TRunOnce(QObject *owner) : TRunOnce(Options {}, owner)
{
}

TRunOnce::TRunOnce(Options options, QObject *owner) : QObject(owner), m_options(std::move(options))
{
    if (m_options.programPath.isEmpty())
        m_options.programPath = QCoreApplication::applicationFilePath();
    if (!m_options.argumentsGiven)
        m_options.arguments = QCoreApplication::arguments().mid(1);
    if (m_options.socketFolder.isEmpty())
        m_options.socketFolder = privateFolder();
    if (!m_options.endProgram)
        m_options.endProgram = [](int code) { std::exit(code); };
    if (!m_options.reportError)
        m_options.reportError = [](const QString &text) { std::fprintf(stderr, "Quillarc: %s\n", qPrintable(text)); };

    m_instanceName = QFileInfo(m_options.programPath).fileName().toUpper();
    // Socket paths are limited to 107 bytes; a long program name is hashed.
    QString name = m_instanceName + QStringLiteral("-") + QString::number(::geteuid());
    if (QFile::encodeName(m_options.socketFolder + QStringLiteral("/") + name).size() + 5 > 100)
        name = QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(24));
    m_serverName = m_options.socketFolder + QStringLiteral("/") + name;

    // The lock stands for the named mutex: whoever holds it is the first copy.
    const QByteArray lockPath = QFile::encodeName(m_serverName + QStringLiteral(".lock"));
    if (!m_options.socketFolder.isEmpty())
        m_lock.reset(::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!m_lock) {
        // Without any place for a lock, refusing to start would lock the user
        // out of the program; run unguarded instead, and say so.
        m_first = true;
        m_options.reportError(QStringLiteral("Cannot set up the single-instance lock %1: %2")
                                  .arg(QFile::decodeName(lockPath), QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    if (::flock(m_lock.get(), LOCK_EX | LOCK_NB) == 0)
        m_first = true;
    else
        m_lock.reset();
}

TRunOnce::~TRunOnce()
{
    if (m_server)
        m_server->close();
    m_lock.reset(); // after the server: the next copy may take over only now
}

QByteArray TRunOnce::encodeCommandLine(const QString &program, const QStringList &arguments)
{
    QByteArray block;
    block += QFile::encodeName(program);
    block += '\0';
    for (const auto &argument : arguments) {
        block += QFile::encodeName(argument);
        block += '\0';
    }
    block += '\0';
    return block;
}

std::optional<QStringList> TRunOnce::decodeCommandLine(const QByteArray &block)
{
    if (block.size() < 2 || block.size() > kMaxCommandLineBytes || !block.endsWith(QByteArray("\0\0", 2)))
        return std::nullopt;
    QStringList texts;
    qsizetype start = 0;
    const qsizetype end = block.size() - 1; // the last NUL ends the block
    while (start < end) {
        const qsizetype nul = block.indexOf('\0', start);
        texts << QFile::decodeName(block.mid(start, nul - start));
        start = nul + 1;
    }
    if (texts.isEmpty() || texts.first().isEmpty())
        return std::nullopt;
    return texts;
}

void TRunOnce::Loaded()
{
    if (!m_first) {
        handOver();
        return;
    }
    if (!m_lock)
        return; // unguarded
    // Holding the lock, any socket file here was left by a copy that died.
    QLocalServer::removeServer(m_serverName);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, &TRunOnce::acceptConnection);
    if (!m_server->listen(m_serverName))
        m_options.reportError(
            QStringLiteral("Cannot listen for later starts on %1: %2").arg(m_serverName, m_server->errorString()));
}

void TRunOnce::fail(const QString &message)
{
    m_options.reportError(message);
    m_options.endProgram(1);
}

void TRunOnce::handOver()
{
    const QByteArray block = encodeCommandLine(m_options.programPath, m_options.arguments);
    if (block.size() > kMaxCommandLineBytes) {
        fail(QStringLiteral("The command line is too long to hand over to the running copy (%1 bytes, at most %2).")
                 .arg(block.size())
                 .arg(kMaxCommandLineBytes));
        return;
    }
    // The first copy holds the lock but may still be starting: try to reach
    // it for a second, as it may not be listening yet.
    QLocalSocket socket;
    for (int attempt = 0; attempt < 20; ++attempt) {
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(100))
            break;
        socket.abort();
        QThread::msleep(50);
    }
    if (socket.state() == QLocalSocket::ConnectedState) {
        QByteArray message(4, '\0');
        const auto size = static_cast<quint32>(block.size());
        for (int i = 0; i < 4; ++i)
            message[i] = static_cast<char>((size >> (8 * i)) & 0xff);
        message += block;
        socket.write(message);
        socket.waitForBytesWritten(m_options.handOverTimeoutMs);
        // Wait until the running copy has taken the command line, as the
        // block must not go before it has been read.
        while (socket.bytesAvailable() < 1 && socket.waitForReadyRead(m_options.handOverTimeoutMs)) {
        }
    }
    // No copy answered in time: end all the same, as the running one exists.
    m_options.endProgram(0);
}

void TRunOnce::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        QPointer<QLocalSocket> guard(socket);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A caller that connects and never finishes is dropped.
        QTimer::singleShot(m_options.handOverTimeoutMs, socket, [guard] {
            if (guard)
                guard->abort();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            if (buffer->size() < 4)
                return;
            quint32 size = 0;
            for (int i = 0; i < 4; ++i)
                size |= static_cast<quint32>(static_cast<unsigned char>(buffer->at(i))) << (8 * i);
            if (size > static_cast<quint32>(kMaxCommandLineBytes) || buffer->size() > 4 + qsizetype(size)) {
                socket->abort();
                return;
            }
            if (buffer->size() < 4 + qsizetype(size))
                return;
            const auto texts = decodeCommandLine(buffer->mid(4));
            socket->write(QByteArray(1, kAck));
            socket->flush();
            if (texts && OnOtherInstance) {
                // Nothing may leave an event handler by exception; report it.
                try {
                    OnOtherInstance(this, static_cast<std::uint32_t>(texts->size() - 1), *texts);
                } catch (const std::exception &error) {
                    m_options.reportError(QString::fromLocal8Bit(error.what()));
                }
            }
            socket->disconnectFromServer();
        });
    }
}

} // namespace quillarc

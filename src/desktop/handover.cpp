#include "desktop/handover.h"

#include "runtime/instancelock.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QtEndian>

namespace veltrin {

namespace {

// A command line is a path or two; anything longer is not ours.
constexpr quint32 kMaxMessageBytes = 64 * 1024;
constexpr char kAccepted = 'k';

QByteArray frame(const QString& commandLine)
{
    const QByteArray text = commandLine.toUtf8();
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(text.size()), out.data());
    return out + text;
}

bool sendOverSocket(const QString& commandLine, const QString& socketPath, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(frame(commandLine));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The answer says the player has the command line; then we may go.
    return socket.waitForReadyRead(timeoutMs) && socket.read(1) == QByteArray(1, kAccepted);
}

bool sendOverBus(const QString& commandLine, QDBusConnection& bus, int timeoutMs)
{
    const QString service = QString::fromLatin1(HandOverServer::kServiceName);
    if (!bus.isConnected() || !bus.interface()
        || !bus.interface()->isServiceRegistered(service).value())
        return false;
    QDBusMessage call
        = QDBusMessage::createMethodCall(service, QString::fromLatin1(HandOverServer::kObjectPath),
            QString::fromLatin1(HandOverServer::kInterface), QStringLiteral("Open"));
    call << commandLine;
    return bus.call(call, QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage;
}

} // namespace

HandOverServer::HandOverServer(QDBusConnection bus, const QString& socketPath, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_server(std::make_unique<QLocalServer>())
{
    if (m_bus.isConnected()
        && m_bus.registerObject(
            QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportScriptableSlots)) {
        m_onBus = m_bus.registerService(QString::fromLatin1(kServiceName));
        if (!m_onBus)
            m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
    }
    // Only this user may talk to it. We hold the instance lock, so a socket
    // file left there is a dead player's.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->setMaxPendingConnections(8);
    if (!m_server->listen(socketPath)) {
        QLocalServer::removeServer(socketPath);
        m_server->listen(socketPath);
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &HandOverServer::onConnection);
}

HandOverServer::~HandOverServer()
{
    if (m_onBus) {
        m_bus.unregisterService(QString::fromLatin1(kServiceName));
        m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
    }
    m_server->close(); // removes the socket file
}

QString HandOverServer::defaultSocketPath()
{
    return QFileInfo(InstanceLock::defaultPath()).absolutePath()
        + QStringLiteral("/veltrin-player.socket");
}

bool HandOverServer::listensOnSocket() const
{
    return m_server->isListening();
}

void HandOverServer::Open(const QString& commandLine)
{
    // Answered first; the open runs from the event loop.
    QTimer::singleShot(0, this, [this, commandLine] { emit received(commandLine); });
}

void HandOverServer::onConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // A peer that never finishes its message is dropped.
        QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
        readFrom(socket);
    }
}

void HandOverServer::readFrom(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < 4)
        return;
    char header[4];
    socket->peek(header, 4);
    const quint32 size = qFromBigEndian<quint32>(header);
    if (size > kMaxMessageBytes) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < 4 + static_cast<qint64>(size))
        return;
    socket->read(4);
    const QString commandLine = QString::fromUtf8(socket->read(size));
    socket->write(QByteArray(1, kAccepted));
    socket->flush();
    socket->disconnectFromServer();
    Open(commandLine);
}

bool handOverCommandLine(const QString& commandLine, QDBusConnection bus, const QString& socketPath,
    std::chrono::milliseconds patience)
{
    const QDeadlineTimer deadline(patience);
    for (;;) {
        const int left = static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1));
        if (sendOverBus(commandLine, bus, std::min(left, 1000))
            || sendOverSocket(commandLine, socketPath, std::min(left, 1000)))
            return true;
        if (deadline.hasExpired())
            return false;
        // The running player holds the lock but may not listen yet.
        QThread::msleep(50);
    }
}

} // namespace veltrin

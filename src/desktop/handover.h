#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace veltrin {

// A second start of the player hands its command line to the one that runs,
// which opens it as its own command line would be opened and comes to the
// front. The session bus carries it where one runs; a per-user local socket
// beside the instance lock carries it otherwise (and when the bus name is
// not ours), so a player hidden to a tray that has gone can still be reached.
class HandOverServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.Veltrin")
public:
    static constexpr auto kServiceName = "org.example.Veltrin";
    static constexpr auto kObjectPath = "/org/example/Veltrin";
    static constexpr auto kInterface = "org.example.Veltrin";

    // socketPath: the local socket; by default one beside the instance lock.
    HandOverServer(QDBusConnection bus, const QString& socketPath = defaultSocketPath(),
        QObject* parent = nullptr);
    ~HandOverServer() override;
    HandOverServer(const HandOverServer&) = delete;
    HandOverServer& operator=(const HandOverServer&) = delete;

    static QString defaultSocketPath();
    bool listensOnBus() const { return m_onBus; }
    bool listensOnSocket() const;

public slots:
    // The bus method: the second start's command line ("" to only show the window).
    Q_SCRIPTABLE void Open(const QString& commandLine);

signals:
    // Sent from the event loop, after the sender has its answer.
    void received(const QString& commandLine);

private:
    void onConnection();
    void readFrom(QLocalSocket* socket);

    QDBusConnection m_bus;
    bool m_onBus = false;
    std::unique_ptr<QLocalServer> m_server;
};

// Gives the command line to the running player: by the bus when it has the
// name there, else through the local socket. Tries until `patience` has
// passed, since the running player may still be starting; false when nobody
// took it.
bool handOverCommandLine(const QString& commandLine, QDBusConnection bus,
    const QString& socketPath = HandOverServer::defaultSocketPath(),
    std::chrono::milliseconds patience = std::chrono::milliseconds(3000));

} // namespace veltrin

#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>
#include <memory>

namespace veltrin::test {

// A session bus of the test's own: a dbus-daemon started for it and stopped
// with it, so nothing of the machine's desktop is touched.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isUp() const { return !m_address.isEmpty(); }
    // For DBUS_SESSION_BUS_ADDRESS of the processes a test starts.
    const QString& address() const { return m_address; }
    // A fresh connection to the bus, as another process would have.
    QDBusConnection connect();

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

// A connection that has no bus behind it.
QDBusConnection noBus();

// Calls a method without blocking the event loop the service side needs.
QDBusMessage call(QDBusConnection& bus, const QString& service, const QString& path,
    const QString& interface, const QString& method, const QVariantList& args = {});

// Reads one property; a map comes back as a QVariantMap.
QVariant property(QDBusConnection& bus, const QString& service, const QString& path,
    const QString& interface, const QString& name);

// Turns the D-Bus form of a{sv} into a map (values already plain stay as they are).
QVariantMap toMap(const QVariant& value);

// Stands in for the desktop's screen saver and writes down what it is asked.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit FakeScreenSaver(QDBusConnection bus);
    ~FakeScreenSaver() override;

    QStringList calls; // "Inhibit 1", "UnInhibit 1", ...
    // Cookies granted and not yet given back.
    QList<uint> held;

public slots:
    uint Inhibit(const QString& application, const QString& reason);
    void UnInhibit(uint cookie);

private:
    QDBusConnection m_bus;
    uint m_next = 0;
};

// Records the PropertiesChanged signals of one object.
class PropertiesRecorder : public QObject {
    Q_OBJECT
public:
    PropertiesRecorder(QDBusConnection bus, const QString& service, const QString& path);

    QList<QVariantMap> changes; // each with its a{sv} values turned into maps

public slots:
    void onChanged(const QString& interface, const QVariantMap& changed, const QStringList&);
};

// Collects every Qt message printed while it lives.
class MessageCatcher {
public:
    MessageCatcher();
    ~MessageCatcher();
    MessageCatcher(const MessageCatcher&) = delete;
    MessageCatcher& operator=(const MessageCatcher&) = delete;
    QStringList messages() const;
};

} // namespace veltrin::test

#include "bus_support.h"

#include "support/wait.h"

#include <QDBusArgument>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QMutex>
#include <QRegularExpression>

namespace veltrin::test {

PrivateBus::PrivateBus()
{
    m_daemon.start(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
            QStringLiteral("--print-address=1") });
    if (!m_daemon.waitForStarted(5000))
        return;
    QByteArray out;
    waitFor([&] {
        out += m_daemon.readAllStandardOutput();
        return out.contains('\n') || m_daemon.state() != QProcess::Running;
    });
    m_address = QString::fromUtf8(out).section(u'\n', 0, 0).trimmed();
}

PrivateBus::~PrivateBus()
{
    for (const QString& name : m_connections)
        QDBusConnection::disconnectFromBus(name);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect()
{
    static int serial = 0;
    const QString name = QStringLiteral("test-bus-%1").arg(++serial);
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
}

QDBusConnection noBus()
{
    static int serial = 0;
    return QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/veltrin-test-bus"),
        QStringLiteral("no-bus-%1").arg(++serial));
}

QDBusMessage call(QDBusConnection& bus, const QString& service, const QString& path,
    const QString& interface, const QString& method, const QVariantList& args)
{
    QDBusMessage msg = QDBusMessage::createMethodCall(service, path, interface, method);
    msg.setArguments(args);
    QDBusPendingCall pending = bus.asyncCall(msg, 10000);
    waitFor([&] { return pending.isFinished(); }, 12000);
    return pending.isFinished() ? pending.reply() : QDBusMessage();
}

QVariantMap toMap(const QVariant& value)
{
    if (value.canConvert<QDBusArgument>()) {
        QVariantMap map = qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
        for (QVariant& v : map) {
            if (v.canConvert<QDBusArgument>()
                && v.value<QDBusArgument>().currentType() == QDBusArgument::MapType)
                v = toMap(v);
        }
        return map;
    }
    return value.toMap();
}

QVariant property(QDBusConnection& bus, const QString& service, const QString& path,
    const QString& interface, const QString& name)
{
    const QDBusMessage reply
        = call(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"), { interface, name });
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const QVariant v = reply.arguments().first().value<QDBusVariant>().variant();
    if (v.canConvert<QDBusArgument>())
        return toMap(v);
    return v;
}

FakeScreenSaver::FakeScreenSaver(QDBusConnection bus)
    : m_bus(std::move(bus))
{
    m_bus.registerObject(
        QStringLiteral("/org/freedesktop/ScreenSaver"), this, QDBusConnection::ExportAllSlots);
    m_bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
}

FakeScreenSaver::~FakeScreenSaver()
{
    m_bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
    m_bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
}

uint FakeScreenSaver::Inhibit(const QString&, const QString&)
{
    ++m_next;
    calls << QStringLiteral("Inhibit %1").arg(m_next);
    held << m_next;
    return m_next;
}

void FakeScreenSaver::UnInhibit(uint cookie)
{
    calls << QStringLiteral("UnInhibit %1").arg(cookie);
    held.removeOne(cookie);
}

PropertiesRecorder::PropertiesRecorder(
    QDBusConnection bus, const QString& service, const QString& path)
{
    bus.connect(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"), this,
        SLOT(onChanged(QString, QVariantMap, QStringList)));
}

void PropertiesRecorder::onChanged(const QString&, const QVariantMap& changed, const QStringList&)
{
    QVariantMap plain = changed;
    for (QVariant& v : plain) {
        if (v.canConvert<QDBusArgument>())
            v = toMap(v);
    }
    changes << plain;
}

namespace {
QMutex g_messagesLock;
QStringList g_messages;
QtMessageHandler g_previous = nullptr;
} // namespace

MessageCatcher::MessageCatcher()
{
    QMutexLocker lock(&g_messagesLock);
    g_messages.clear();
    g_previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
        QMutexLocker lock(&g_messagesLock);
        g_messages << m;
    });
}

MessageCatcher::~MessageCatcher()
{
    qInstallMessageHandler(g_previous);
}

QStringList MessageCatcher::messages() const
{
    QMutexLocker lock(&g_messagesLock);
    return g_messages;
}

} // namespace veltrin::test

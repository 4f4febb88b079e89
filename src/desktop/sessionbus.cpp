#include "desktop/sessionbus.h"

#include <QtGlobal>
#include <sys/stat.h>

namespace veltrin {

namespace {

// Nobody listens here: a connection fails at once, with nothing forked.
constexpr char kNoBus[] = "unix:path=/nonexistent/veltrin-no-session-bus";

bool sessionBusRuns()
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address != kNoBus;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st { };
    return !runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &st) == 0
        && S_ISSOCK(st.st_mode);
}

} // namespace

void launchNoSessionBus()
{
    if (!sessionBusRuns())
        qputenv("DBUS_SESSION_BUS_ADDRESS", kNoBus);
}

QProcessEnvironment environmentForChildren()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (env.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")) == QLatin1String(kNoBus))
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    return env;
}

QDBusConnection userSessionBus()
{
    if (sessionBusRuns())
        return QDBusConnection::sessionBus();
    // A name no connection was made under: not connected.
    return QDBusConnection(QStringLiteral("veltrin-no-session-bus"));
}

} // namespace veltrin

#include "desktop/sessionbus.h"

#include <QtGlobal>
#include <sys/stat.h>

namespace veltrin {

QDBusConnection userSessionBus()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st { };
    const bool busSocket = !runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &st) == 0
        && S_ISSOCK(st.st_mode);
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") || busSocket)
        return QDBusConnection::sessionBus();
    // A name no connection was made under: not connected.
    return QDBusConnection(QStringLiteral("veltrin-no-session-bus"));
}

} // namespace veltrin

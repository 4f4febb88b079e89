#pragma once

#include <QDBusConnection>
#include <QProcessEnvironment>

namespace veltrin {

// Asked for a session bus it cannot find, libdbus runs dbus-launch, forking
// from this process while other threads may hold the locks the child then
// waits on: a player that never showed its window was seen stuck on such a
// child. Qt asks on its own (its accessibility bridge, the tray), so where
// no session bus runs the environment is pointed at an address that fails at
// once. To be called before the QApplication exists.
void launchNoSessionBus();

// The environment for programs this one starts: its own, less the failing
// address set above, so they may find or start a bus of their own.
QProcessEnvironment environmentForChildren();

// The user's session bus when one runs: the one DBUS_SESSION_BUS_ADDRESS
// names, or the socket "bus" in the user's runtime folder. Otherwise a
// connection that is not connected.
QDBusConnection userSessionBus();

} // namespace veltrin

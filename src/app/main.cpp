#include "desktop/graphwatch.h"
#include "desktop/mprisservice.h"
#include "desktop/screensaverinhibitor.h"
#include "engine/gsthandle.h"
#include "player/playerfrm.h"
#include "runtime/commandline.h"
#include "runtime/instancelock.h"

#include <QApplication>
#include <QDBusConnection>

int main(int argc, char* argv[])
{
    // The command line is taken before Qt or GStreamer see it: a file named
    // like one of their options is still a file to open.
    const QString commandLine = veltrin::joinCommandLine(argc, argv);

    // Qt gets only the program name, so no argument is read as a Qt option.
    int qtArgc = 1;
    char* qtArgv[] = { argv[0], nullptr };
    QApplication app(qtArgc, qtArgv);
    QApplication::setOrganizationName(QStringLiteral("Veltrin"));
    QApplication::setApplicationName(QStringLiteral("Veltrin"));

    veltrin::InstanceLock lock;
    if (!lock.tryAcquire())
        return 0; // another instance runs: no window, no tray icon, no message

    veltrin::ensureGstInitialised();
    // The desktop's media controls and screen saver follow each graph the player makes.
    veltrin::GraphWatch graphs;
    PlayerOptions options;
    options.graphFactory = graphs.wrap(makeGStreamerGraph);
    playerfrm player(std::move(options));
    veltrin::MprisService mpris(player, graphs, QDBusConnection::sessionBus());
    veltrin::ScreenSaverInhibitor screenSaver(graphs, QDBusConnection::sessionBus());
    player.Form_Load(commandLine);
    player.show();
    return QApplication::exec();
}

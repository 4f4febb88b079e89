#include "engine/gsthandle.h"
#include "player/playerfrm.h"
#include "runtime/commandline.h"
#include "runtime/instancelock.h"

#include <QApplication>

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
    playerfrm player;
    player.Form_Load(commandLine);
    player.show();
    return QApplication::exec();
}

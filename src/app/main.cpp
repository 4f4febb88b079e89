#include "desktop/handover.h"
#include "desktop/mprisservice.h"
#include "desktop/screensaverinhibitor.h"
#include "desktop/sessionbus.h"
#include "engine/disc.h"
#include "engine/engine.h"
#include "info/bundledfont.h"
#include "player/playerfrm.h"
#include "runtime/commandline.h"
#include "runtime/instancelock.h"
#include "runtime/mounts.h"
#include "runtime/openguard.h"

#include <QApplication>
#include <QDBusConnection>
#include <QSocketNotifier>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <unistd.h>

namespace {

// Opt-in probe for robustness tests: each byte read from the descriptor named
// by VELTRIN_PROBE_FD is answered from the GUI thread with one byte, the number
// of visible top-level windows. A late answer means a blocked event loop.
void answerProbe(QObject* owner)
{
    bool ok = false;
    const int fd = qEnvironmentVariableIntValue("VELTRIN_PROBE_FD", &ok);
    if (!ok || fd < 0 || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0)
        return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier, fd] {
        char in[64];
        const ssize_t n = ::read(fd, in, sizeof in);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (n <= 0) {
            notifier->setEnabled(false); // the test went away
            return;
        }
        int windows = 0;
        for (const QWidget* w : QApplication::topLevelWidgets())
            windows += w->isVisible()
                && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog);
        const char out = static_cast<char>(std::min(windows, 127));
        for (ssize_t i = 0; i < n; ++i) {
            if (::write(fd, &out, 1) != 1)
                return;
        }
    });
}

int g_quitPipe[2] = { -1, -1 };

// SIGTERM and SIGINT end the program through its Exit path, from the event
// loop: the handler only writes to a pipe that the GUI thread watches.
void quitOnSignals(QObject* owner, std::function<void()> quit)
{
    if (::pipe2(g_quitPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_quitPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier, quit] {
        char drain[16];
        while (::read(g_quitPipe[0], drain, sizeof drain) > 0) { }
        notifier->setEnabled(false);
        quit();
    });
    struct sigaction sa { };
    sa.sa_handler = [](int) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_quitPipe[1], &c, 1);
    };
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

} // namespace

int main(int argc, char* argv[])
{
    // The command line is taken before Qt or GStreamer see it: a file named
    // like one of their options is still a file to open.
    const QString commandLine = veltrin::joinCommandLine(argc, argv);
    // Before any thread starts: it sets the environment.
    veltrin::launchNoSessionBus();
    veltrin::configureProcess();

    // A file to play: its graph's set-up runs alongside Qt's start.
    std::optional<veltrin::WarmUp> warmUp;
    if (!commandLine.isEmpty())
        warmUp.emplace(commandLine);

    // Qt gets only the program name, so no argument is read as a Qt option.
    int qtArgc = 1;
    char* qtArgv[] = { argv[0], nullptr };
    QApplication app(qtArgc, qtArgv);
    QApplication::setOrganizationName(QStringLiteral("Veltrin"));
    QApplication::setApplicationName(QStringLiteral("Veltrin"));
    const QDBusConnection bus = veltrin::userSessionBus();
    veltrin::InstanceLock lock;
    if (!lock.tryAcquire()) {
        // Another instance runs: it opens this command line and comes to the
        // front; this one ends with no window, no tray icon, no message.
        veltrin::handOverCommandLine(commandLine, bus);
        return 0;
    }
    // Listening from the moment the lock is ours: a second start that finds
    // the lock finds someone to hand over to (it keeps trying while we start).
    veltrin::HandOverServer handOver(bus);

    // Every window's text in the font shipped with the program.
    veltrin::useBundledFont();

    veltrin::initialiseEngine();
    veltrin::deinitialiseEngineAtExitWhenTraced();
    // File lists read folders on discs and disc images through the engine.
    veltrin::installDiscFolderLister();
    PlayerOptions options;
    // End-to-end tests hand in a mount table with a disc of their own; the
    // player itself has no settings of this kind.
    options.mountTable = qEnvironmentVariable("VELTRIN_TEST_MOUNT_TABLE");
    // The engine reads it too: a file on a drive's disc is read from the drive.
    veltrin::setSystemMountTable(options.mountTable);
    playerfrm player(std::move(options));
    // The desktop's media controls and screen saver follow the player.
    veltrin::MprisService mpris(player.control(), bus);
    veltrin::ScreenSaverInhibitor screenSaver(player.control(), bus);
    quitOnSignals(&player, [&player] {
        // Not in the middle of an open: the graph being opened needs its caller.
        veltrin::OpenInProgress::afterOpen(&player, [&player] {
            player.mnuExit_Click();
            QApplication::exit(0);
        });
    });
    // Qt's plugins are in: libav's linking no longer holds them up.
    if (warmUp)
        warmUp->allowLinking();
    player.Form_Load(commandLine);
    QObject::connect(
        &handOver, &veltrin::HandOverServer::received, &player, [&player](const QString& line) {
            // Shown first, so the window answers while the file renders; full
            // screen stays as it is.
            player.control().raiseWindow();
            if (!line.isEmpty())
                player.control().openCommandLine(line);
        });
    player.show();
    answerProbe(&player);
    return QApplication::exec();
}

// A second start's command line reaches the running player by the bus or the
// local socket, whole, and nothing else gets through.
#include "desktop/bus_support.h"
#include "desktop/handover.h"
#include "support/media.h"
#include "support/wait.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <future>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using veltrin::handOverCommandLine;
using veltrin::HandOverServer;
using veltrin::test::waitFor;

namespace {

// The sending side blocks like a second process would; the server needs this
// thread's event loop meanwhile.
bool sendFromAnotherThread(const QString& commandLine, QDBusConnection bus, const QString& socket,
    std::chrono::milliseconds patience = 3000ms)
{
    auto sent = std::async(std::launch::async,
        [=] { return handOverCommandLine(commandLine, bus, socket, patience); });
    waitFor([&] { return sent.wait_for(0s) == std::future_status::ready; }, 10000);
    return sent.get();
}

const QString kAwkward = QStringLiteral("/media/Ma musique/été; *?.mpg");

TEST(HandOver, commandLinesArriveWholeOverTheSocketWithoutABus)
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("s"));
    HandOverServer server(veltrin::test::noBus(), socket);
    ASSERT_TRUE(server.listensOnSocket());
    EXPECT_FALSE(server.listensOnBus());
    QSignalSpy received(&server, &HandOverServer::received);

    for (const QString& line : { kAwkward, QString() }) {
        ASSERT_TRUE(sendFromAnotherThread(line, veltrin::test::noBus(), socket));
        ASSERT_TRUE(waitFor([&] { return !received.isEmpty(); }));
        EXPECT_EQ(received.takeFirst().at(0).toString(), line);
    }
}

TEST(HandOver, theBusCarriesItWhereOneRuns)
{
    veltrin::test::PrivateBus bus;
    ASSERT_TRUE(bus.isUp());
    QTemporaryDir dir;
    HandOverServer server(bus.connect(), dir.filePath(QStringLiteral("s")));
    ASSERT_TRUE(server.listensOnBus());
    QSignalSpy received(&server, &HandOverServer::received);
    // No socket at that path: only the bus can carry it.
    ASSERT_TRUE(sendFromAnotherThread(kAwkward, bus.connect(), dir.filePath(QStringLiteral("x"))));
    ASSERT_TRUE(waitFor([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received.takeFirst().at(0).toString(), kAwkward);
}

TEST(HandOver, nobodyListeningFailsWithinItsPatienceAndGarbageIsDropped)
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("s"));
    EXPECT_FALSE(sendFromAnotherThread(kAwkward, veltrin::test::noBus(), socket, 300ms));

    HandOverServer server(veltrin::test::noBus(), socket);
    QSignalSpy received(&server, &HandOverServer::received);
    // A length past the bound, then a message cut short: neither is opened.
    for (const quint32 size : { 0xFFFFFFFFu, 10u }) {
        QLocalSocket peer;
        peer.connectToServer(socket);
        ASSERT_TRUE(waitFor([&] { return peer.state() == QLocalSocket::ConnectedState; }));
        QByteArray header(4, '\0');
        qToBigEndian<quint32>(size, header.data());
        peer.write(header + "abc");
        peer.flush();
        waitFor([&] { return peer.state() == QLocalSocket::UnconnectedState; }, 300);
    }
    EXPECT_TRUE(received.isEmpty());
    // The server still answers an honest sender.
    ASSERT_TRUE(sendFromAnotherThread(QStringLiteral("/a.mpg"), veltrin::test::noBus(), socket));
    ASSERT_TRUE(waitFor([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received.takeFirst().at(0).toString(), QStringLiteral("/a.mpg"));
}

// Whether a process holds the file open: what another process can see of
// what the player plays.
bool holdsOpen(qint64 pid, const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd :
        fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == target)
            return true;
    return false;
}

TEST(HandOver, aSecondStartPlaysItsFileInTheRunningPlayer)
{
    veltrin::test::PrivateBus bus;
    ASSERT_TRUE(bus.isUp());
    const QString clip = veltrin::test::clipPath(veltrin::test::Clip::Mpg, 8);
    for (const bool withBus : { false, true }) {
        QTemporaryDir runtime;
        ASSERT_TRUE(QFile::setPermissions(runtime.path(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), runtime.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
            withBus ? bus.address() : QStringLiteral("unix:path=/nonexistent/veltrin-test-bus"));
        const auto start = [&](QProcess& p, const QStringList& args) {
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(VELTRIN_BINARY), args);
            return p.waitForStarted(10000);
        };

        QProcess first;
        ASSERT_TRUE(start(first, {}));
        ASSERT_TRUE(waitFor(
            [&] {
                return QFile::exists(runtime.filePath(QStringLiteral("veltrin-player.socket")));
            },
            10000))
            << withBus;
        QDBusConnection probe = bus.connect();
        EXPECT_EQ(probe.interface()
                      ->isServiceRegistered(QString::fromLatin1(HandOverServer::kServiceName))
                      .value(),
            withBus);

        for (const QStringList& args : { QStringList {}, QStringList { clip } }) {
            QProcess second;
            ASSERT_TRUE(start(second, args));
            ASSERT_TRUE(second.waitForFinished(10000));
            EXPECT_EQ(second.exitCode(), 0);
        }
        EXPECT_TRUE(waitFor([&] { return holdsOpen(first.processId(), clip); }, 15000)) << withBus;
        EXPECT_EQ(first.state(), QProcess::Running);
        first.terminate();
        if (!first.waitForFinished(10000))
            first.kill();
    }
}

// Where no session bus runs, the player does without one: it never asks
// libdbus to start one (dbus-launch, forked from a process with threads that
// may hold locks the child needs), and the hand-over goes by the socket.
TEST(HandOver, withoutASessionBusNoBusIsLaunched)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(QFile::setPermissions(
        runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    // A dbus-launch of our own, first on the PATH: it leaves a mark if run.
    const QString bin = runtime.filePath(QStringLiteral("bin"));
    const QString mark = runtime.filePath(QStringLiteral("launched"));
    ASSERT_TRUE(QDir().mkpath(bin));
    {
        QFile launcher(bin + QStringLiteral("/dbus-launch"));
        ASSERT_TRUE(launcher.open(QIODevice::WriteOnly));
        launcher.write(QStringLiteral("#!/bin/sh\ntouch '%1'\nexit 1\n").arg(mark).toUtf8());
        launcher.close();
        ASSERT_TRUE(launcher.setPermissions(launcher.permissions() | QFileDevice::ExeOwner));
    }
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), runtime.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("PATH"), bin + u':' + env.value(QStringLiteral("PATH")));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":0"));

    QProcess player;
    player.setProcessEnvironment(env);
    player.start(QStringLiteral(VELTRIN_BINARY), {});
    ASSERT_TRUE(player.waitForStarted(10000));
    ASSERT_TRUE(waitFor(
        [&] { return QFile::exists(runtime.filePath(QStringLiteral("veltrin-player.socket"))); },
        10000));
    // MPRIS and the screen-saver inhibitor are set up after the hand-over.
    QTest::qWait(500);
    EXPECT_FALSE(QFile::exists(mark));
    EXPECT_EQ(player.state(), QProcess::Running);
    player.terminate();
    EXPECT_TRUE(player.waitForFinished(10000));
}

} // namespace

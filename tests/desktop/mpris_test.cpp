#include "bus_support.h"
#include "controls/button/qorvxpbutton.h"
#include "desktop/mprisservice.h"
#include "player/playerfrm_testpeer.h"
#include "support/fake_player.h"
#include "support/media.h"
#include "support/wait.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

const QString kService = QString::fromLatin1(MprisService::kServiceName);
const QString kPath = QString::fromLatin1(MprisService::kObjectPath);
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

PlayerOptions quietOptions(const QTemporaryDir& dir)
{
    PlayerOptions o;
    o.useTray = false;
    o.mountTable = dir.filePath(QStringLiteral("no-mounts"));
    return o;
}

// The player, the service on a private bus, and a client connection that
// talks to it as the desktop's media controls would.
struct Session {
    explicit Session(GraphFactory factory)
    {
        PlayerOptions o = quietOptions(dir);
        o.graphFactory = std::move(factory);
        player = std::make_unique<playerfrm>(o);
        player->Form_Load(QString());
        service = std::make_unique<MprisService>(player->control(), bus.connect());
        client = bus.connect();
    }
    PlayerControl& control() { return player->control(); }
    ~Session()
    {
        service.reset();
        player.reset();
    }
    QDBusMessage send(const QString& method, const QVariantList& args = {})
    {
        return test::call(client, kService, kPath, kPlayer, method, args);
    }
    QVariant get(const QString& name, const QString& interface = kPlayer)
    {
        return test::property(client, kService, kPath, interface, name);
    }
    QString status() { return get(QStringLiteral("PlaybackStatus")).toString(); }
    double positionS() { return get(QStringLiteral("Position")).toLongLong() / 1e6; }

    QTemporaryDir dir;
    test::PrivateBus bus;
    std::unique_ptr<playerfrm> player;
    std::unique_ptr<MprisService> service;
    QDBusConnection client { QString() };
};

TEST(Mpris, serviceAppearsOnTheBusAndDescribesThePlayer)
{
    test::FakeGraphFactory fakes;
    Session s(fakes.factory());
    ASSERT_TRUE(s.bus.isUp());
    EXPECT_EQ(s.service->serviceName(), kService);
    EXPECT_TRUE(s.client.interface()->isServiceRegistered(kService).value());

    EXPECT_EQ(s.get(QStringLiteral("Identity"), kRoot).toString(), u"Zelto Veltrin Player");
    EXPECT_EQ(s.get(QStringLiteral("DesktopEntry"), kRoot).toString(), u"org.example.Veltrin");
    EXPECT_TRUE(s.get(QStringLiteral("CanRaise"), kRoot).toBool());
    for (const char* name :
        { "CanPlay", "CanPause", "CanSeek", "CanGoNext", "CanGoPrevious", "CanControl" })
        EXPECT_TRUE(s.get(QString::fromLatin1(name)).toBool()) << name;
    EXPECT_EQ(s.status(), u"Stopped");
    const QVariantMap meta = s.get(QStringLiteral("Metadata")).toMap();
    EXPECT_EQ(meta.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
        QString::fromLatin1(MprisService::kNoTrack));
}

// Each bus command runs the player's own operation: the fake graph's log
// shows the same calls the button or menu item makes.
TEST(Mpris, commandsRunThePlayersOwnOperations)
{
    struct Case {
        const char* method;
        QVariantList args;
        QStringList expected; // in this order among the graph calls
    };
    const QList<Case> cases {
        { "Pause", {}, { QStringLiteral("Pause") } },
        { "Play", {}, { QStringLiteral("Run") } },
        { "Stop", {},
            { QStringLiteral("Pos=0"), QStringLiteral("Stop"), QStringLiteral("StopWhenReady") } },
        { "Seek", { qlonglong(2500000) }, { QStringLiteral("Pos=2.5") } },
        { "Seek", { qlonglong(-9000000) }, { QStringLiteral("Pos=0") } },
    };
    for (const Case& c : cases) {
        test::FakeGraphFactory fakes;
        Session s(fakes.factory());
        s.control().openCommandLine(s.dir.filePath(QStringLiteral("clip.mpg")));
        ASSERT_TRUE(fakes.graph());
        fakes.log->clear();
        const QDBusMessage reply = s.send(QString::fromLatin1(c.method), c.args);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << c.method;
        EXPECT_TRUE(fakes.log->join(u", ").contains(c.expected.join(u", ")))
            << c.method << " log: " << fakes.log->join(u", ").toStdString();
    }
}

TEST(Mpris, volumeAndOpenUriGoThroughThePlayersOwnSteps)
{
    test::FakeGraphFactory fakes;
    Session s(fakes.factory());
    const QString clip = s.dir.filePath(QStringLiteral("clip.mpg"));
    QFile(clip).open(QIODevice::WriteOnly);

    // Only an existing local media file opens.
    s.send(QStringLiteral("OpenUri"), { QStringLiteral("https://example.org/clip.mpg") });
    s.send(QStringLiteral("OpenUri"), { QUrl::fromLocalFile(s.dir.path()).toString() });
    EXPECT_EQ(fakes.created, 0);
    s.send(QStringLiteral("OpenUri"), { QUrl::fromLocalFile(clip).toString() });
    EXPECT_EQ(s.control().currentFile(), clip);
    EXPECT_TRUE(fakes.log->contains(QStringLiteral("RenderFile ") + clip));

    // 0.1 is -20 dB: the volume slider's -2000, applied as a drag applies it.
    const QDBusMessage reply = test::call(s.client, kService, kPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
        { kPlayer, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(0.1)) });
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(fakes.log->contains(QStringLiteral("Volume=-2000")));
    EXPECT_NEAR(s.get(QStringLiteral("Volume")).toDouble(), 0.1, 1e-6);
}

TEST(Mpris, nextAndPreviousMoveThroughThePlayList)
{
    test::FakeGraphFactory fakes;
    Session s(fakes.factory());
    for (const char* name : { "a.mpg", "b.mpg", "c.mpg" }) {
        QFile f(s.dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(s.control().playFolder({ .folder = s.dir.path(),
        .pattern = QStringLiteral("*.mpg"),
        .index = 0,
        .stopFirst = false,
        .titlePrefix = {} }));
    ASSERT_EQ(s.control().currentFile(), s.dir.filePath(QStringLiteral("a.mpg")));

    s.send(QStringLiteral("Next"));
    EXPECT_EQ(s.control().currentFile(), s.dir.filePath(QStringLiteral("b.mpg")));
    s.send(QStringLiteral("Previous"));
    EXPECT_EQ(s.control().currentFile(), s.dir.filePath(QStringLiteral("a.mpg")));
    s.send(QStringLiteral("Previous")); // from the first entry to the last
    EXPECT_EQ(s.control().currentFile(), s.dir.filePath(QStringLiteral("c.mpg")));
}

// The scripted graph's state, as the player's own controls change it,
// reaches PlaybackStatus and the PropertiesChanged signal.
TEST(Mpris, fakeGraphStateChangesAreAnnounced)
{
    test::FakeGraphFactory fakes;
    Session s(fakes.factory());
    test::PropertiesRecorder changes(s.client, kService, kPath);
    const auto lastChange = [&](const char* name) {
        for (auto it = changes.changes.crbegin(); it != changes.changes.crend(); ++it) {
            if (it->contains(QString::fromLatin1(name)))
                return it->value(QString::fromLatin1(name));
        }
        return QVariant();
    };
    const auto announced = [&](const char* name, const QVariant& value) {
        return waitFor([&] { return lastChange(name) == value; });
    };
    PlayerTestPeer in(*s.player);

    s.control().openCommandLine(s.dir.filePath(QStringLiteral("clip.mpg")));
    EXPECT_TRUE(announced("PlaybackStatus", QStringLiteral("Playing")));
    EXPECT_EQ(s.status(), u"Playing");
    EXPECT_EQ(lastChange("Metadata").toMap().value(QStringLiteral("xesam:title")).toString(),
        u"clip.mpg");

    emit in.cmdPause->Click();
    EXPECT_TRUE(announced("PlaybackStatus", QStringLiteral("Paused")));
    emit in.cmdForward->MouseDown(1, 0, 1, 1);
    EXPECT_TRUE(announced("Rate", 2.0));
    emit in.cmdForward->MouseUp(1, 0, 1, 1);
    EXPECT_TRUE(announced("Rate", 1.0));
    emit in.cmdPlay->Click();
    EXPECT_TRUE(announced("PlaybackStatus", QStringLiteral("Playing")));

    emit in.cmdStop->Click();
    EXPECT_TRUE(announced("PlaybackStatus", QStringLiteral("Stopped")));
    EXPECT_EQ(s.status(), u"Stopped");
    EXPECT_EQ(lastChange("Metadata")
                  .toMap()
                  .value(QStringLiteral("mpris:trackid"))
                  .value<QDBusObjectPath>()
                  .path(),
        QString::fromLatin1(MprisService::kNoTrack));
}

TEST(Mpris, statusPositionAndMetadataFollowRealPlayback)
{
    Session s(makeGStreamerGraph);
    test::PropertiesRecorder changes(s.client, kService, kPath);
    const QString clip = test::copyClip(Clip::Mpg, s.dir.path(), QStringLiteral("movie.mpg"), 6);
    s.control().openCommandLine(clip);

    ASSERT_TRUE(waitFor([&] { return s.status() == u"Playing"; }));
    ASSERT_TRUE(waitFor([&] {
        return std::any_of(
            changes.changes.cbegin(), changes.changes.cend(), [](const QVariantMap& c) {
                return c.value(QStringLiteral("PlaybackStatus")).toString() == u"Playing";
            });
    }));
    const QVariantMap meta = s.get(QStringLiteral("Metadata")).toMap();
    EXPECT_EQ(meta.value(QStringLiteral("xesam:title")).toString(), u"movie.mpg");
    EXPECT_NEAR(meta.value(QStringLiteral("mpris:length")).toLongLong() / 1e6, 6.0, 0.5);
    const QString track
        = meta.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
    EXPECT_NE(track, QString::fromLatin1(MprisService::kNoTrack));
    // The clock runs: the position moves on.
    const double start = s.positionS();
    EXPECT_TRUE(waitFor([&] { return s.positionS() > start + 0.3; }));

    changes.changes.clear();
    s.send(QStringLiteral("PlayPause"));
    EXPECT_TRUE(waitFor([&] { return s.status() == u"Paused"; }));
    const auto graph = PlayerTestPeer(*s.player).graph.status;
    ASSERT_TRUE(graph);
    EXPECT_TRUE(waitFor([&] { return graph->playbackState() == PlaybackState::Paused; }));
    EXPECT_TRUE(waitFor([&] {
        return !changes.changes.isEmpty()
            && changes.changes.last().value(QStringLiteral("PlaybackStatus")).toString()
            == u"Paused";
    }));

    s.send(QStringLiteral("SetPosition"),
        { QVariant::fromValue(QDBusObjectPath(track)), qlonglong(4000000) });
    EXPECT_TRUE(waitFor([&] { return std::abs(s.positionS() - 4.0) < 0.3; }));
    // A position for another track is stale and changes nothing.
    s.send(QStringLiteral("SetPosition"),
        { QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/example/Veltrin/Track/999"))),
            qlonglong(1000000) });
    EXPECT_NEAR(s.control().position().value_or(-1), 4.0, 0.3);

    s.send(QStringLiteral("PlayPause"));
    EXPECT_TRUE(waitFor([&] { return s.status() == u"Playing"; }));
    // A seek while playing passes the graph through a pause: still playing.
    EXPECT_TRUE(waitFor([&] { return graph->playbackState() == PlaybackState::Playing; }));
    changes.changes.clear();
    const double beforeSeek = s.positionS();
    s.send(QStringLiteral("Seek"), { qlonglong(-2000000) });
    EXPECT_TRUE(waitFor([&] { return s.positionS() < beforeSeek - 1.0; }));
    EXPECT_TRUE(waitFor([&] { return graph->playbackState() == PlaybackState::Playing; }));
    QCoreApplication::processEvents();
    for (const QVariantMap& c : changes.changes)
        EXPECT_NE(c.value(QStringLiteral("PlaybackStatus")).toString(), u"Paused");
    // The player's own buttons are heard too: pause, then stop while paused.
    s.player->Pause();
    EXPECT_TRUE(waitFor([&] {
        return !changes.changes.isEmpty()
            && changes.changes.last().value(QStringLiteral("PlaybackStatus")).toString()
            == u"Paused";
    }));
    s.player->cmdStop_Click();
    EXPECT_EQ(s.status(), u"Stopped");
    EXPECT_TRUE(s.control().currentFile().isEmpty());
    EXPECT_TRUE(waitFor([&] {
        return !changes.changes.isEmpty()
            && changes.changes.last().value(QStringLiteral("PlaybackStatus")).toString()
            == u"Stopped";
    }));
    const QVariantMap stoppedMeta
        = changes.changes.last().value(QStringLiteral("Metadata")).toMap();
    EXPECT_EQ(stoppedMeta.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
        QString::fromLatin1(MprisService::kNoTrack));
}

TEST(Mpris, withoutABusNothingIsRegisteredAndNothingIsSaid)
{
    QTemporaryDir dir;
    playerfrm player(quietOptions(dir));
    QDBusConnection none = test::noBus();
    ASSERT_FALSE(none.isConnected());

    test::MessageCatcher messages;
    {
        MprisService service(player.control(), none);
        EXPECT_TRUE(service.serviceName().isEmpty());
        player.control().openCommandLine(test::clipPath(Clip::Mpg));
        EXPECT_TRUE(waitFor([&] { return service.playbackStatus() == u"Playing"; }));
        service.pause();
        EXPECT_TRUE(waitFor([&] { return service.playbackStatus() == u"Paused"; }));
    }
    EXPECT_EQ(messages.messages(), QStringList());
}

} // namespace

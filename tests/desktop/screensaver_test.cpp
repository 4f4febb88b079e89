#include "bus_support.h"
#include "desktop/screensaverinhibitor.h"
#include "player/playerfrm_testpeer.h"
#include "support/fake_player.h"
#include "support/media.h"
#include "support/wait.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

// A player, on real clips unless told otherwise, its screen saver requests
// going to a fake screen saver on a private bus.
struct Session {
    explicit Session(GraphFactory factory = makeGStreamerGraph)
    {
        PlayerOptions o;
        o.useTray = false;
        o.mountTable = dir.filePath(QStringLiteral("no-mounts"));
        o.graphFactory = std::move(factory);
        player = std::make_unique<playerfrm>(o);
        player->Form_Load(QString());
        inhibitor = std::make_unique<ScreenSaverInhibitor>(player->control(), bus.connect());
        // Connected after the inhibitor: when this hears of a running graph,
        // the inhibitor has already made up its mind about it.
        QObject::connect(&player->control(), &PlayerControl::stateChanged, [this] {
            const auto graph = PlayerTestPeer(*player).graph.status;
            announcedRunning = graph && graph->playbackState() == PlaybackState::Playing;
        });
    }
    void open(Clip kind, const char* name)
    {
        player->control().openCommandLine(
            test::copyClip(kind, dir.path(), QString::fromLatin1(name), 6));
    }
    bool heldOnce()
    {
        return waitFor([&] { return saver.held.size() == 1; });
    }
    bool released()
    {
        return waitFor([&] { return saver.held.isEmpty() && !inhibitor->isInhibiting(); });
    }

    QTemporaryDir dir;
    test::PrivateBus bus;
    test::FakeScreenSaver saver { bus.connect() };
    std::unique_ptr<playerfrm> player;
    std::unique_ptr<ScreenSaverInhibitor> inhibitor;
    bool announcedRunning = false;
};

TEST(ScreenSaver, heldWhileVideoRunsAndGivenBackOnPauseStopAndExit)
{
    Session s;
    ASSERT_TRUE(s.bus.isUp());
    s.open(Clip::Mpg, "movie.mpg");
    ASSERT_TRUE(s.heldOnce());
    EXPECT_TRUE(waitFor([&] { return s.inhibitor->isInhibiting(); }));

    s.player->Pause();
    ASSERT_TRUE(s.released());
    EXPECT_EQ(s.saver.calls,
        (QStringList { QStringLiteral("Inhibit 1"), QStringLiteral("UnInhibit 1") }));

    s.player->fncPlay();
    ASSERT_TRUE(s.heldOnce());
    s.player->fncStop();
    ASSERT_TRUE(s.released());

    s.open(Clip::Mpg, "again.mpg");
    ASSERT_TRUE(s.heldOnce());
    // Exit: the Exit command, then the objects go the way main() lets them go.
    s.player->mnuExit_Click();
    s.inhibitor.reset();
    s.player.reset();
    EXPECT_TRUE(waitFor([&] { return s.saver.held.isEmpty(); }));
    EXPECT_EQ(s.saver.calls.size(), 6);
    EXPECT_EQ(s.saver.calls.last(), u"UnInhibit 3");
}

TEST(ScreenSaver, audioOnlyIsNoReasonToHoldTheScreen)
{
    Session s;
    s.open(Clip::Mpg, "movie.mpg");
    ASSERT_TRUE(s.heldOnce());
    // The next file has no picture: the request goes with the video.
    s.open(Clip::Mp3, "song.mp3");
    s.announcedRunning = false; // what comes next is about the new graph
    ASSERT_TRUE(waitFor([&] { return s.announcedRunning; }));
    EXPECT_FALSE(s.player->control().hasVideo());
    EXPECT_FALSE(s.inhibitor->isAsking());
    ASSERT_TRUE(s.released());
    EXPECT_TRUE(s.saver.held.isEmpty());
    EXPECT_EQ(s.saver.calls.size(), 2);
}

// The scripted graph's state and picture decide the requests.
TEST(ScreenSaver, followsTheFakeGraphsStateAndPicture)
{
    test::FakeGraphFactory fakes;
    fakes.media = [](const QString& path) {
        test::FakeMedia m;
        if (path.endsWith(u".mp3"))
            m.video = {};
        return std::optional<test::FakeMedia>(m);
    };
    Session s(fakes.factory());
    const auto open = [&](const char* name) {
        s.player->control().openCommandLine(s.dir.filePath(QString::fromLatin1(name)));
    };
    open("movie.mpg");
    ASSERT_TRUE(s.heldOnce());
    s.player->Pause();
    ASSERT_TRUE(s.released());
    s.player->fncPlay();
    ASSERT_TRUE(s.heldOnce());
    open("song.mp3"); // playing, but nothing to watch
    ASSERT_TRUE(s.released());
    open("again.mpg");
    ASSERT_TRUE(s.heldOnce());
    // The player going away lets go, even while the inhibitor stays.
    s.player.reset();
    ASSERT_TRUE(s.released());
    EXPECT_EQ(s.saver.calls,
        (QStringList {
            "Inhibit 1", "UnInhibit 1", "Inhibit 2", "UnInhibit 2", "Inhibit 3", "UnInhibit 3" }));
}

TEST(ScreenSaver, withoutABusNothingHappensAndNothingIsSaid)
{
    QTemporaryDir dir;
    PlayerOptions o;
    o.useTray = false;
    o.mountTable = dir.filePath(QStringLiteral("no-mounts"));
    playerfrm player(o);
    QDBusConnection none = test::noBus();

    test::MessageCatcher messages;
    {
        ScreenSaverInhibitor inhibitor(player.control(), none);
        player.control().openCommandLine(test::clipPath(Clip::Mpg));
        const auto graph = PlayerTestPeer(player).graph.status;
        ASSERT_TRUE(graph);
        ASSERT_TRUE(waitFor([&] { return graph->playbackState() == PlaybackState::Playing; }));
        EXPECT_TRUE(player.control().hasVideo());
        EXPECT_FALSE(inhibitor.isAsking());
        player.Pause();
    }
    EXPECT_EQ(messages.messages(), QStringList());
}

} // namespace

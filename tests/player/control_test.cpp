#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "player/playercontrol.h"
#include "support/fake_player.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::FakeMedia;
using veltrin::test::FakePlayer;

namespace {

// Each command makes the same engine calls as the button or slider it stands
// for: two players on entry 1, one driven each way, must log alike.
TEST(PlayerControl, commandsMakeTheSameCallsAsTheControls)
{
    struct Case {
        const char* name;
        std::function<void(PlayerControl&)> command;
        std::function<void(PlayerTestPeer)> control;
    };
    const Case cases[] = {
        { "play", [](PlayerControl& c) { c.play(); },
            [](PlayerTestPeer in) { emit in.cmdPlay->Click(); } },
        { "pause", [](PlayerControl& c) { c.pause(); },
            [](PlayerTestPeer in) { emit in.cmdPause->Click(); } },
        { "stop", [](PlayerControl& c) { c.stop(); },
            [](PlayerTestPeer in) { emit in.cmdStop->Click(); } },
        { "next", [](PlayerControl& c) { c.next(); },
            [](PlayerTestPeer in) { emit in.cmdNexttrack->Click(); } },
        { "previous", [](PlayerControl& c) { c.previous(); },
            [](PlayerTestPeer in) { emit in.cmdBacktrack->Click(); } },
        { "fast forward", [](PlayerControl& c) { c.setRate(2.0); },
            [](PlayerTestPeer in) { emit in.cmdForward->MouseDown(1, 0, 1, 1); } },
        { "volume", [](PlayerControl& c) { c.setVolume(-2500); },
            [](PlayerTestPeer in) {
                in.V1->setValue(-2500);
                emit in.V1->Scroll();
            } },
    };
    for (const Case& c : cases) {
        FakePlayer byCommand, byControl;
        for (FakePlayer* f : { &byCommand, &byControl }) {
            f->load(1);
            f->log().clear();
        }
        c.command(byCommand.player->control());
        c.control(byControl.in());
        // Each has a folder of its own.
        for (FakePlayer* f : { &byCommand, &byControl }) {
            f->log().replaceInStrings(f->dir.path(), QStringLiteral("<dir>"));
            f->in().CurrentFile.replace(f->dir.path(), QStringLiteral("<dir>"));
        }
        EXPECT_FALSE(byControl.log().isEmpty()) << c.name;
        EXPECT_EQ(
            byCommand.log().join(u", ").toStdString(), byControl.log().join(u", ").toStdString())
            << c.name;
        EXPECT_EQ(
            byCommand.in().CurrentFile.toStdString(), byControl.in().CurrentFile.toStdString())
            << c.name;
    }
}

TEST(PlayerControl, stateFollowsTheGraphAndTheCurrentFile)
{
    FakePlayer f({ "a.mpg", "b.mp3" }, QStringLiteral("*.mpg;*.mp3"));
    f.graphs.media = [](const QString& path) {
        FakeMedia m;
        m.duration = 42;
        if (path.endsWith(u".mp3"))
            m.video = {};
        return std::optional<FakeMedia>(m);
    };
    PlayerControl& c = f.player->control();
    EXPECT_EQ(c.playbackState(), PlaybackState::Stopped);
    EXPECT_FALSE(c.position());
    EXPECT_EQ(c.trackNumber(), 0u);

    c.openCommandLine(f.path(QStringLiteral("a.mpg")));
    EXPECT_EQ(c.playbackState(), PlaybackState::Playing);
    EXPECT_EQ(c.currentFile(), f.path(QStringLiteral("a.mpg")));
    EXPECT_EQ(c.trackNumber(), 1u);
    EXPECT_TRUE(c.hasVideo());
    EXPECT_EQ(c.duration().value_or(-1), 42.0);
    EXPECT_EQ(c.position().value_or(-1), 0.0);

    // The graph pausing on its way (a seek while playing) is still playing.
    f.graph()->running = false;
    EXPECT_EQ(c.playbackState(), PlaybackState::Playing);
    c.pause();
    EXPECT_EQ(c.playbackState(), PlaybackState::Paused);
    c.play();
    EXPECT_EQ(c.playbackState(), PlaybackState::Playing);
    // Stop keeps the graph, paused at 0, and forgets the file.
    c.stop();
    EXPECT_EQ(f.graph()->playbackState(), PlaybackState::Paused);
    EXPECT_EQ(c.playbackState(), PlaybackState::Stopped);

    c.openCommandLine(f.path(QStringLiteral("b.mp3")));
    EXPECT_FALSE(c.hasVideo());
    EXPECT_EQ(c.trackNumber(), 2u);
    c.setRate(2.0);
    EXPECT_EQ(c.rate(), 2.0);
    c.setVolume(-20000); // below the volume slider's floor of -50 dB
    EXPECT_EQ(c.volume(), -5000);
    EXPECT_EQ(f.graph()->volume, -5000);
}

TEST(PlayerControl, noticesComeOncePerPassAfterTheHandler)
{
    FakePlayer f;
    PlayerControl& c = f.player->control();
    QSignalSpy track(&c, &PlayerControl::trackChanged);
    QSignalSpy state(&c, &PlayerControl::stateChanged);
    QSignalSpy range(&c, &PlayerControl::rangeChanged);
    QSignalSpy seeked(&c, &PlayerControl::seeked);
    QSignalSpy volume(&c, &PlayerControl::volumeChanged);

    EXPECT_FALSE(c.seekTo(3)); // nothing loaded
    f.load(0);
    EXPECT_EQ(track.size() + state.size() + range.size(), 0); // not in the middle of an open
    QCoreApplication::processEvents();
    EXPECT_EQ(track.size(), 1);
    EXPECT_EQ(state.size(), 1);
    EXPECT_EQ(range.size(), 1);

    c.pause();
    QCoreApplication::processEvents();
    EXPECT_EQ(state.size(), 2);
    EXPECT_EQ(track.size(), 1);
    c.stop(); // forgets the current file
    QCoreApplication::processEvents();
    EXPECT_EQ(track.size(), 2);
    EXPECT_EQ(range.size(), 1);

    EXPECT_TRUE(c.seekTo(3));
    f.in().H1->setValue(4);
    emit f.in().H1->Scroll();
    ASSERT_EQ(seeked.size(), 2);
    EXPECT_EQ(seeked.first().first().toDouble(), 3.0);
    EXPECT_EQ(seeked.last().first().toDouble(), 4.0);
    f.in().V1->setValue(-100);
    EXPECT_EQ(volume.size(), 1);
}

// What the folder browser hands over: stop first or play on, and the first
// failing step ends the rest.
TEST(PlayerControl, playFolderStartsFromTheChosenEntry)
{
    struct Case {
        const char* name;
        bool stopFirst;
        int index;
        bool folderExists;
        bool played;
        const char* current; // after the call; "" for none
    };
    const Case cases[] = {
        { "plays on", false, 1, true, true, "a.mpg" },
        { "stops first", true, 1, true, true, "other/y.mpg" },
        { "no entry", true, -1, true, true, "other/" },
        { "entry not there", true, 5, true, false, "" },
        { "folder gone", true, 0, false, false, "" },
    };
    for (const Case& c : cases) {
        FakePlayer f({ "a.mpg" }, QStringLiteral("*.mpg"));
        f.load(0);
        QDir(f.dir.path()).mkdir(QStringLiteral("other"));
        f.touch(QStringLiteral("other/x.mpg"));
        f.touch(QStringLiteral("other/y.mpg"));
        const QString folder
            = f.path(c.folderExists ? QStringLiteral("other") : QStringLiteral("gone"));
        const bool played = f.player->control().playFolder({ .folder = folder,
            .pattern = QStringLiteral("*.mpg"),
            .index = c.index,
            .stopFirst = c.stopFirst,
            .titlePrefix = QStringLiteral("Zelto Veltrin Player :") });
        EXPECT_EQ(played, c.played) << c.name;
        const QString current = *c.current ? f.path(QString::fromLatin1(c.current)) : QString();
        EXPECT_EQ(f.in().CurrentFile, current) << c.name;
        EXPECT_EQ(f.player->isVisible(), c.played) << c.name;
        if (c.played) {
            EXPECT_EQ(f.in().File1.path(), folder) << c.name;
            // The bare folder does not open, and the title line says so.
            EXPECT_EQ(f.in().lblDisplayCaption.get(),
                QStringLiteral("Zelto Veltrin Player :")
                    + (c.index < 0 ? QStringLiteral("cannot play ") : QString())
                    + f.in().File1.currentName())
                << c.name;
        }
    }
}

TEST(PlayerControl, raiseBringsAMinimisedWindowBack)
{
    FakePlayer f;
    f.show();
    f.player->setWindowStateValue(1);
    f.player->control().raiseWindow();
    EXPECT_EQ(f.player->windowStateValue(), 0);
    EXPECT_TRUE(f.player->isVisible());
}

} // namespace

namespace {

// What a second start's hand-over does to the window: a window hidden to the
// tray or minimised comes back, and full screen stays full screen.
TEST(PlayerControl, raiseWindowBringsBackAHiddenWindowAndLeavesFullScreen)
{
    FakePlayer p;
    p.show();
    p.player->hide();
    ASSERT_FALSE(p.player->isVisible());
    p.player->control().raiseWindow();
    EXPECT_TRUE(p.player->isVisible());

    p.player->showMinimized();
    p.player->control().raiseWindow();
    EXPECT_EQ(p.player->windowStateValue(), 0);

    p.load(0);
    p.player->GoFullScreen();
    ASSERT_EQ(p.in().cmdFullscreen->Tag, QStringLiteral("True"));
    const QRect fullScreen = p.player->geometry();
    p.player->control().raiseWindow();
    EXPECT_EQ(p.in().cmdFullscreen->Tag, QStringLiteral("True"));
    EXPECT_EQ(p.player->geometry(), fullScreen);
}

} // namespace

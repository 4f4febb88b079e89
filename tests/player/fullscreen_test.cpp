#include "frame_support.h"

#include "controls/button/qorvxpbutton.h"
#include "engine/filgraphmanager.h"
#include "support/media.h"
#include "support/wait.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>

using namespace veltrin::test;

namespace {

struct AspectCase {
    const char* name;
    QSize source;
    QRect expected; // in a 489 x 385 video area
};

TEST(CorrectAspect, keepsTheSourceShapeCentredInTheVideoArea)
{
    const AspectCase cases[] = {
        // 352 * 385 / 288 = 470.6; (489 - 470) / 2 = 9.5 goes to the even 10.
        { "video CD picture", { 352, 288 }, { 10, 0, 470, 385 } },
        { "exact fit", { 489, 385 }, { 0, 0, 489, 385 } },
        // Fills the height; (489 - 192) / 2 = 148.5 goes to the even 148.
        { "tall source", { 200, 400 }, { 148, 0, 192, 385 } },
        // Fills the width; (385 - 122) / 2 = 131.5 goes to the even 132.
        { "wide source", { 800, 200 }, { 0, 132, 489, 122 } },
        { "nothing measured", { 0, 0 }, { 244, 0, 1, 385 } },
        { "no width", { 0, 288 }, { 0, 192, 489, 1 } },
        { "one pixel", { 1, 1 }, { 52, 0, 385, 385 } },
    };
    ShownPlayer f;
    f.load(0);
    ASSERT_EQ(f.in().Picture1->size(), QSize(489, 385));
    for (const auto& c : cases) {
        f.in().SourceWidth = c.source.width();
        f.in().SourceHeight = c.source.height();
        f.player->CorrectAspect();
        EXPECT_EQ(f.video(), c.expected) << c.name;
    }
}

TEST(CorrectAspect, aTallAreaCentresVertically)
{
    ShownPlayer f;
    f.load(0);
    f.player->resize(497, 700); // area 489 x 657
    // 288 * 489 / 352 = 400.09; (657 - 400) / 2 = 128.5 goes to the even 128.
    EXPECT_EQ(f.video(), QRect(0, 128, 489, 400));
}

TEST(CorrectAspect, withoutAVideoStreamNothingIsPlacedAndNothingBreaks)
{
    ShownPlayer f;
    f.graphs.media
        = [](const QString&) { return std::optional<FakeMedia>(FakeMedia { .video = {} }); };
    f.load(0);
    f.player->CorrectAspect();
    EXPECT_FALSE(f.graphs.log->join(u'\n').contains(QStringLiteral("SetWindowPosition")));
}

QSize screenSize(const playerfrm& p)
{
    return p.screen()->geometry().size();
}

void expectFullScreen(ShownPlayer& f, const char* saved)
{
    EXPECT_EQ(f.in().cmdFullscreen->Tag, QStringLiteral("True"));
    EXPECT_EQ(f.in().lblDisplayTag, QString::fromLatin1(saved));
    EXPECT_EQ(f.player->windowStateValue(), 2);
    EXPECT_EQ(f.graph()->owner, f.in().clientArea);
    EXPECT_EQ(f.video(), QRect(QPoint(0, 0), screenSize(*f.player)));
}

void expectWindowed(ShownPlayer& f, int state)
{
    EXPECT_EQ(f.in().cmdFullscreen->Tag, QStringLiteral("False"));
    EXPECT_EQ(f.player->windowStateValue(), state);
    EXPECT_EQ(f.graph()->owner, f.in().Picture1);
}

enum class Leave { EscOnWindow, EscOverVideo, EscOnAControl, ShowPlayer };

class LeaveFullScreen : public ::testing::TestWithParam<Leave> { };

TEST_P(LeaveFullScreen, restoresTheWindowAndPutsTheVideoBack)
{
    ShownPlayer f;
    f.load(0);
    f.player->cmdFullscreen_Click();
    expectFullScreen(f, "0");

    switch (GetParam()) {
    case Leave::EscOnWindow: QTest::keyClick(f.player.get(), Qt::Key_Escape); break;
    case Leave::EscOverVideo: {
        // What the video window forwards to its drain.
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(f.graph()->drain, &esc);
        break;
    }
    case Leave::EscOnAControl: QTest::keyClick(f.in().cmdPlay, Qt::Key_Escape); break;
    case Leave::ShowPlayer: f.in().mnuShow->trigger(); break;
    }
    expectWindowed(f, 0);
    EXPECT_EQ(f.video(), QRect(10, 0, 470, 385));
    EXPECT_EQ(f.player->size(), QSize(497, 428));
}

std::string leaveName(const ::testing::TestParamInfo<Leave>& info)
{
    static const char* const names[]
        = { "escOnWindow", "escOverVideo", "escOnAControl", "showPlayer" };
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Ways, LeaveFullScreen,
    ::testing::Values(
        Leave::EscOnWindow, Leave::EscOverVideo, Leave::EscOnAControl, Leave::ShowPlayer),
    leaveName);

TEST(FullScreen, aMaximisedWindowStaysMaximisedAfterwards)
{
    ShownPlayer f;
    f.load(0);
    f.player->ButtonEx2_Click();
    f.in().mnuFullscreen->trigger();
    expectFullScreen(f, "2");
    f.player->mnuShow_Click();
    expectWindowed(f, 2);
}

TEST(FullScreen, requestingItTwiceSavesTheMaximisedState)
{
    ShownPlayer f;
    f.load(0);
    f.player->cmdFullscreen_Click();
    f.in().mnuFullscreen->trigger();
    expectFullScreen(f, "2");
    f.player->mnuShow_Click();
    expectWindowed(f, 2);
}

TEST(FullScreen, survivesATrackChangeWithTheSavedStateKept)
{
    ShownPlayer f;
    f.load(0);
    f.player->cmdFullscreen_Click();
    const auto first = f.graph();
    f.player->NextTrack();
    ASSERT_NE(f.graph(), first);
    expectFullScreen(f, "0");
    f.player->PrevTrack();
    expectFullScreen(f, "0");
    QTest::keyClick(f.player.get(), Qt::Key_Escape);
    expectWindowed(f, 0);
}

TEST(FullScreen, aLateLayoutPassKeepsTheVideoOverTheScreen)
{
    // A window manager may apply the maximise after the request has returned.
    ShownPlayer f;
    f.load(0);
    f.player->cmdFullscreen_Click();
    QResizeEvent late(f.player->size(), QSize(497, 428));
    QCoreApplication::sendEvent(f.player.get(), &late);
    expectFullScreen(f, "0");
}

TEST(FullScreen, withoutVideoItStopsAfterMaximisingAndCanBeLeft)
{
    ShownPlayer f;
    f.graphs.media
        = [](const QString&) { return std::optional<FakeMedia>(FakeMedia { .video = {} }); };
    f.load(0);
    f.player->cmdFullscreen_Click();
    EXPECT_EQ(f.in().cmdFullscreen->Tag, QStringLiteral("True"));
    EXPECT_EQ(f.player->windowStateValue(), 2);
    EXPECT_EQ(f.graph()->owner, nullptr);
    QTest::keyClick(f.player.get(), Qt::Key_Escape);
    EXPECT_EQ(f.in().cmdFullscreen->Tag, QStringLiteral("False"));
    EXPECT_EQ(f.player->windowStateValue(), 0);
}

TEST(FullScreen, escWhileWindowedOnlyShowsTheWindow)
{
    ShownPlayer f;
    f.load(0);
    const QRect before = f.video();
    f.player->hide();
    f.player->Form_KeyDown(27);
    EXPECT_TRUE(f.player->isVisible());
    expectWindowed(f, 0);
    EXPECT_EQ(f.video(), before);
    f.player->Form_KeyDown('A');
    expectWindowed(f, 0);
}

TEST(FullScreen, isOfferedOnlyAfterAPlayListLoad)
{
    ShownPlayer f;
    EXPECT_FALSE(f.in().cmdFullscreen->Enabled());
    EXPECT_FALSE(f.in().mnuFullscreen->isEnabled());
    // A file opened directly (the command line) does not offer it.
    f.in().CurrentFile = f.dir.filePath(QStringLiteral("a.mpg"));
    f.player->OpenCurrentFile();
    EXPECT_FALSE(f.in().mnuFullscreen->isEnabled());
    f.load(0);
    EXPECT_TRUE(f.in().cmdFullscreen->Enabled());
    EXPECT_TRUE(f.in().mnuFullscreen->isEnabled());
    f.player->DisableFullScreen();
    EXPECT_FALSE(f.in().cmdFullscreen->Enabled());
    EXPECT_FALSE(f.in().mnuFullscreen->isEnabled());
}

TEST(FullScreen, disablingTheControlsDoesNotLeaveIt)
{
    ShownPlayer f;
    f.load(0);
    f.player->cmdFullscreen_Click();
    f.player->DisableFullScreen();
    expectFullScreen(f, "0");
}

// The real engine: its video window sits in the video area, covers the
// screen in full screen and still hands right clicks to the video area.
TEST(FullScreenRealMedia, videoWindowMovesBetweenAreaAndScreen)
{
    QTemporaryDir dir;
    const QString clip = copyClip(Clip::Mpg, dir.path(), QStringLiteral("clip.mpg"));
    ASSERT_FALSE(clip.isEmpty());
    playerfrm p(playerfrm::Options { .graphFactory = makeGStreamerGraph,
        .mountTable = dir.filePath(QStringLiteral("no-mounts")),
        .formFile = {},
        .useTray = false });
    PlayerTestPeer in(p);
    in.File1.setPattern(QStringLiteral("*.mpg"));
    in.File1.setPath(dir.path());
    p.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    in.File1.select(0);
    p.LoadPLFile();
    auto* engine = dynamic_cast<veltrin::FilgraphManager*>(in.graph.video.get());
    ASSERT_NE(engine, nullptr);
    QWidget* video = engine->videoWidget();
    ASSERT_NE(video, nullptr);
    const QSize source = clipInfo(Clip::Mpg).videoSize;
    ASSERT_EQ(QSize(in.SourceWidth, in.SourceHeight), source);
    const int w = static_cast<int>(std::floor(source.width() * 385.0 / source.height()));
    const QRect inArea(static_cast<int>(std::nearbyint((489 - w) / 2.0)), 0, w, 385);
    EXPECT_EQ(video->parentWidget(), in.Picture1);
    EXPECT_EQ(video->geometry(), inArea);

    p.cmdFullscreen_Click();
    EXPECT_EQ(video->parentWidget(), in.clientArea);
    EXPECT_EQ(video->geometry(), QRect(QPoint(0, 0), p.screen()->geometry().size()));

    // A right click over the video reaches the video area through the drain.
    QTest::mouseClick(video, Qt::RightButton, {}, QPoint(50, 50));
    EXPECT_TRUE(in.mnuPopup->isVisible());
    in.mnuPopup->hide();

    // Esc typed over the video leaves full screen through the drain too.
    QTest::keyClick(video, Qt::Key_Escape);
    EXPECT_EQ(in.cmdFullscreen->Tag, QStringLiteral("False"));
    EXPECT_EQ(video->parentWidget(), in.Picture1);
    EXPECT_EQ(video->geometry(), inArea);
    EXPECT_TRUE(waitFor([&] { return engine->videoWidget()->framesPainted() > 0; }));

    // Dragging the picture drags the window.
    const QPoint start = p.pos();
    sendMouse(video, QEvent::MouseButtonPress, { 50, 50 }, Qt::LeftButton, Qt::LeftButton);
    sendMouse(video, QEvent::MouseMove, { 70, 60 }, Qt::NoButton, Qt::LeftButton);
    sendMouse(video, QEvent::MouseButtonRelease, { 70, 60 }, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(p.pos(), start + QPoint(20, 10));
}

TEST(FullScreen, thePointerHidesWhileItRestsAndComesBackWhenItMoves)
{
    ShownPlayer f;
    f.load(0);
    f.in().pointerRest->setInterval(20);
    const auto move = [](QWidget* w) {
        QMouseEvent e(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    const auto hidden = [&] { return f.player->cursor().shape() == Qt::BlankCursor; };

    move(f.in().Picture1); // outside full screen nothing hides
    EXPECT_FALSE(f.in().pointerRest->isActive());

    f.player->cmdFullscreen_Click();
    ASSERT_EQ(f.in().cmdFullscreen->Tag, QStringLiteral("True"));
    ASSERT_TRUE(waitFor(hidden)); // without any movement at all
    QWidget* const overs[] = { f.in().PicLogo, f.in().clientArea, f.player.get() };
    for (QWidget* over : overs) {
        move(over);
        EXPECT_FALSE(hidden()) << over->objectName().toStdString();
        EXPECT_TRUE(waitFor(hidden)) << over->objectName().toStdString();
    }

    f.player->mnuShow_Click(); // leaves full screen: the pointer is back for good
    EXPECT_FALSE(hidden());
    move(f.in().Picture1);
    EXPECT_FALSE(f.in().pointerRest->isActive());
}

} // namespace

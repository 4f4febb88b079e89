#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "engine/filgraphmanager.h"
#include "player/playerfrm_testpeer.h"
#include "support/media.h"
#include "support/wait.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;
using Part = dtVisualScrollBar::Part;

namespace {

// The real player on a real clip, with the sliders and buttons of its form.
struct RealPlayer {
    QTemporaryDir dir;
    std::unique_ptr<playerfrm> player;
    explicit RealPlayer(Clip clip, int seconds)
    {
        const QString path = test::copyClip(clip, dir.path(),
            QStringLiteral("clip.") + QString::fromLatin1(test::clipInfo(clip).extension), seconds);
        PlayerOptions o;
        o.useTray = false;
        o.mountTable = dir.filePath(QStringLiteral("no-mounts"));
        player = std::make_unique<playerfrm>(o);
        player->show();
        player->Form_Load(path);
    }
    PlayerTestPeer in() const { return PlayerTestPeer(*player); }
    FilgraphManager* engine() const
    {
        return dynamic_cast<FilgraphManager*>(in().graph.position.get());
    }
};

// Drags a slider's thumb so its leading edge lands at the given fraction of the track.
void dragThumbTo(dtVisualScrollBar* bar, double fraction, bool release = true)
{
    const QRect thumb = bar->partPixelRect(Part::Thumb);
    const QPoint grab(thumb.left() + thumb.width() / 2, thumb.center().y());
    const int travel = bar->width() - thumb.width();
    const QPoint to(static_cast<int>(fraction * travel) + thumb.width() / 2, grab.y());
    QTest::mousePress(bar, Qt::LeftButton, {}, grab);
    QTest::mouseMove(bar, QPoint((grab.x() + to.x()) / 2, grab.y()));
    QTest::mouseMove(bar, to);
    if (release)
        QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
}

TEST(RealControls, draggingTheSeekThumbToTheMiddleSeeksThereAndReleaseDoesNotSeekAgain)
{
    RealPlayer p(Clip::Mpg, 100);
    ASSERT_NE(p.engine(), nullptr);
    EXPECT_EQ(p.in().H1->Max(), 100);
    p.player->Pause();
    int seeks = 0;
    QObject::connect(p.in().H1, &dtVisualScrollBar::Scroll, [&] { ++seeks; });
    dragThumbTo(p.in().H1, 0.5, false);
    const int seeksWhileDragging = seeks;
    ASSERT_GT(seeksWhileDragging, 0);
    EXPECT_NEAR(p.in().H1->Value(), 50, 1);
    EXPECT_NEAR(p.in().graph.position->CurrentPosition(), 50, 1.0);
    const QRect thumb = p.in().H1->partPixelRect(Part::Thumb);
    QTest::mouseRelease(
        p.in().H1, Qt::LeftButton, {}, QPoint(thumb.center().x(), thumb.center().y()));
    EXPECT_EQ(seeks, seeksWhileDragging);
    ASSERT_TRUE(waitFor([&] { return p.engine()->state() == GST_STATE_PAUSED; }));
    EXPECT_NEAR(p.in().graph.position->CurrentPosition(), 50, 1.0);
}

TEST(RealControls, holdingFastForwardDoublesTheRateUntilRelease)
{
    RealPlayer p(Clip::Mp4, 6);
    ASSERT_NE(p.engine(), nullptr);
    QorvXPButton* ff = p.in().cmdForward;
    const QPoint centre(ff->width() / 2, ff->height() / 2);
    QTest::mousePress(ff, Qt::LeftButton, {}, centre);
    EXPECT_DOUBLE_EQ(p.engine()->rate(), 2.0);
    QTest::mouseRelease(ff, Qt::LeftButton, {}, centre);
    EXPECT_DOUBLE_EQ(p.engine()->rate(), 1.0);
}

TEST(RealControls, volumeFollowsTheDraggedThumbAndBalanceTheCompletedChange)
{
    RealPlayer p(Clip::Mp4, 6);
    ASSERT_NE(p.engine(), nullptr);
    EXPECT_NEAR(p.engine()->volumeGain(), 1.0, 1e-6);

    // Volume: dragging applies at once; a press on the track only moves the slider.
    dragThumbTo(p.in().V1, -0.5);
    EXPECT_EQ(p.in().V1->Value(), -5000);
    EXPECT_NEAR(p.engine()->volumeGain(), std::pow(10.0, -2.5), 1e-6); // -50 dB, never silence
    const QRect thumb = p.in().V1->partPixelRect(Part::Thumb);
    QTest::mouseClick(
        p.in().V1, Qt::LeftButton, {}, QPoint(p.in().V1->width() - 2, thumb.center().y()));
    EXPECT_EQ(p.in().V1->Value(), -4900);
    EXPECT_NEAR(p.engine()->volumeGain(), std::pow(10.0, -2.5), 1e-6);
    p.player->fncPlay(); // the next play start applies the slider
    EXPECT_NEAR(p.engine()->volumeGain(), std::pow(10.0, -4900 / 2000.0), 1e-6);

    // Balance: nothing while the thumb moves, applied at release.
    dragThumbTo(p.in().H2, 1.5, false); // past the end: the thumb stops there
    EXPECT_EQ(p.in().H2->Value(), 10000);
    EXPECT_NEAR(p.engine()->panorama(), 0.0, 1e-6);
    const QRect h2thumb = p.in().H2->partPixelRect(Part::Thumb);
    QTest::mouseRelease(p.in().H2, Qt::LeftButton, {}, h2thumb.center());
    EXPECT_NEAR(p.engine()->panorama(), 1.0 - std::pow(10.0, -5.0), 1e-5);
}

} // namespace

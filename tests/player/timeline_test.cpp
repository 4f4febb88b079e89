#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "player/playerfrm.h"
#include "support/fake_player.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::FakeGraphFactory;
using veltrin::test::FakeMedia;

namespace {

TEST(SecToTime, formatsWholeSecondsWithACeiling)
{
    struct Case {
        double seconds;
        const char* text;
    } cases[] = {
        { 3725.9, "01:02:05" },
        { 0.99, "00:00:00" },
        { -5, "00:00:00" },
        { 1, "00:00:01" },
        { 59.999, "00:00:59" },
        { 60, "00:01:00" },
        { 86400, "24:00:00" },
        { 89999, "24:59:59" },
        { 90000, "24:59:59" },
        { 1e300, "24:59:59" },
        { 210.5, "00:03:30" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(playerfrm::SecToTime(c.seconds), QString::fromLatin1(c.text)) << c.seconds;
    EXPECT_EQ(playerfrm::SecToTime(std::nan("")), QStringLiteral("00:00:00"));
}

QStringList timelineNames(int entries)
{
    QStringList names;
    for (int i = 1; i <= entries; ++i)
        names << QStringLiteral("T%1.DAT").arg(i);
    return names;
}

// The first of a few entries of one length plays.
struct TimelinePlayer : test::FakePlayer {
    explicit TimelinePlayer(double duration, int entries = 3)
        : FakePlayer(timelineNames(entries))
    {
        graphs.media = [duration](const QString&) {
            FakeMedia m;
            m.duration = duration;
            return std::optional<FakeMedia>(m);
        };
        in().File1.select(0);
        player->fncPlay();
    }
    void tickAt(double position)
    {
        graphs.graph()->position = position;
        player->Timer1_Timer();
    }
};

TEST(Timeline, tickMovesTheSliderAndTheTexts)
{
    TimelinePlayer t(100);
    t.tickAt(42.6);
    EXPECT_EQ(t.in().H1->Value(), 43);
    EXPECT_EQ(t.in().txtSectotime1.get(), QStringLiteral("00:00:57"));
    EXPECT_EQ(t.in().lblTimeused->text(), QStringLiteral("00:00:42"));
    EXPECT_EQ(t.in().Label3.get(), QStringLiteral("00:00:42"));
    EXPECT_EQ(t.in().lblTimeused->toolTip(), QStringLiteral("00:01:40"));
}

TEST(Timeline, endOfTrackStopsThenOpensTheNextEntryOnTheNextTick)
{
    TimelinePlayer t(210.5);
    EXPECT_EQ(t.in().Label4.get(), QStringLiteral("00:03:30"));
    t.tickAt(209.7);
    EXPECT_EQ(t.in().CurrentFile, t.dir.filePath(QStringLiteral("T1.DAT")));
    // First tick at or after 210 s: the stop rule fires and rewinds.
    t.tickAt(210.0);
    EXPECT_EQ(t.in().CurrentFile, QString());
    EXPECT_DOUBLE_EQ(t.graphs.graph()->position, 0);
    EXPECT_EQ(t.in().File1.selectedIndex(), 0);
    // Next tick (position 0): the next-track rule opens entry 1.
    t.player->Timer1_Timer();
    EXPECT_EQ(t.in().File1.selectedIndex(), 1);
    EXPECT_EQ(t.in().CurrentFile, t.dir.filePath(QStringLiteral("T2.DAT")));
    EXPECT_EQ(t.in().Label3.get(), QStringLiteral("00:00:00"));
}

TEST(Timeline, afterTheLastEntryThePlayerStaysStoppedAtZero)
{
    TimelinePlayer t(5, 2);
    for (int track = 0; track < 2; ++track) {
        t.tickAt(2);
        t.tickAt(5); // stop
        t.player->Timer1_Timer(); // next
    }
    EXPECT_EQ(t.in().File1.selectedIndex(), 1);
    EXPECT_EQ(t.in().CurrentFile, QString());
    for (int i = 0; i < 5; ++i)
        t.player->Timer1_Timer();
    EXPECT_EQ(t.in().File1.selectedIndex(), 1);
    EXPECT_EQ(t.in().CurrentFile, QString());
    EXPECT_EQ(t.in().lblTimeused->text(), QStringLiteral("00:00:00"));
    EXPECT_NE(t.in().Label3.get(), t.in().Label4.get());
}

TEST(Timeline, withoutAGraphTheTickChangesNothing)
{
    TimelinePlayer t(10);
    t.tickAt(3);
    t.player->CleanUp();
    t.player->Timer1_Timer();
    EXPECT_EQ(t.in().lblTimeused->text(), QStringLiteral("00:00:03"));
    EXPECT_EQ(t.in().H1->Value(), 3);
}

TEST(Timeline, seekingOnlyOnScrollAndFastForwardOnTheButton)
{
    TimelinePlayer t(100);
    t.graphs.log->clear();
    t.in().H1->setValue(50); // a click on the track: Change only, no seek
    EXPECT_TRUE(t.graphs.log->filter(QStringLiteral("Pos=")).isEmpty());
    emit t.in().H1->Scroll();
    EXPECT_EQ(t.graphs.log->last(), QStringLiteral("Pos=50"));

    emit t.in().cmdForward->MouseDown(2, 0, 1, 1); // any button sets the double rate
    EXPECT_DOUBLE_EQ(t.graphs.graph()->rate(), 2.0);
    emit t.in().cmdForward->MouseUp(1, 0, 1, 1);
    EXPECT_DOUBLE_EQ(t.graphs.graph()->rate(), 1.0);
}

TEST(VolumeBalance, sliderEventsReachTheEngine)
{
    TimelinePlayer t(100);
    t.in().V1->setValue(-2500); // not dragged: no change yet
    EXPECT_EQ(t.graphs.graph()->volume, 0);
    emit t.in().V1->Scroll();
    EXPECT_EQ(t.graphs.graph()->volume, -2500);
    t.in().H2->setValue(4000); // Change applies the balance
    EXPECT_EQ(t.graphs.graph()->balance, 4000);
}

} // namespace

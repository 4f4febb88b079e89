#include "controls/scrollbar/dtvisualscrollbar.h"
#include "engine/filgraphmanager.h"
#include "player/playerfrm.h"
#include "support/fake_player.h"
#include "support/media.h"
#include "support/wait.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::FakeMedia;
using veltrin::test::FakePlayer;
using veltrin::test::waitFor;

namespace {

TEST(Playback, openSequenceRendersPlaysAndRewinds)
{
    FakePlayer f;
    f.in().File1.select(0);
    f.player->fncPlay();
    EXPECT_EQ(f.in().CurrentFile, f.path(QStringLiteral("AVSEQ01.DAT")));
    const QStringList& log = f.log();
    const auto at = [&](const QString& s) { return log.indexOf(s); };
    ASSERT_GE(at(QStringLiteral("RenderFile ") + f.path(QStringLiteral("AVSEQ01.DAT"))), 0);
    EXPECT_LT(at(QStringLiteral("RenderFile ") + f.path(QStringLiteral("AVSEQ01.DAT"))),
        at(QStringLiteral("Owner")));
    EXPECT_EQ(log.mid(log.size() - 2), (QStringList { "Run", "Pos=0" }));
    EXPECT_EQ(f.in().SourceWidth, 352);
    EXPECT_EQ(f.in().SourceHeight, 288);
    EXPECT_EQ(f.in().txtSectotime3.get(), QStringLiteral("00:00:10"));
    EXPECT_EQ(f.in().Label4.get(), QStringLiteral("00:00:10"));
    EXPECT_EQ(f.in().H1->Max(), 10);
    EXPECT_EQ(f.in().H1->SmallChange(), 1);
    EXPECT_EQ(f.in().lblDisplayCaption.get(), QStringLiteral("Zelto Veltrin Player :AVSEQ01.DAT"));
    EXPECT_FALSE(f.in().PicLogo->isVisibleTo(f.player.get()));
}

TEST(Playback, playWhilePlayingOnlyRunsAgainAndReappliesVolume)
{
    FakePlayer f;
    f.in().File1.select(0);
    f.player->fncPlay();
    f.graph()->position = 4;
    f.log().clear();
    f.in().V1->setValue(-1200);
    f.in().H2->setValue(300);
    f.log().clear();
    f.player->fncPlay();
    EXPECT_EQ(f.log(), (QStringList { "Run", "Volume=-1200", "Balance=300" }));
    EXPECT_EQ(f.graphs.created, 1);
}

TEST(Playback, pausePausePlayResumesWithoutRewinding)
{
    FakePlayer f;
    f.in().File1.select(0);
    f.player->fncPlay();
    f.graph()->position = 6.5;
    f.log().clear();
    f.player->Pause();
    f.player->Pause();
    f.player->fncPlay();
    EXPECT_EQ(f.log().mid(0, 3), (QStringList { "Pause", "Pause", "Run" }));
    EXPECT_FALSE(f.log().contains(QStringLiteral("Pos=0")));
    EXPECT_DOUBLE_EQ(f.graph()->position, 6.5);
}

TEST(Playback, stopThenPlayOpensTheEntryAfreshFromZero)
{
    FakePlayer f;
    f.in().File1.select(1);
    f.player->fncPlay();
    auto first = f.graph();
    f.graph()->position = 3;
    f.player->fncStop();
    EXPECT_EQ(f.in().CurrentFile, QString());
    EXPECT_DOUBLE_EQ(first->position, 0);
    EXPECT_FALSE(first->running);
    f.player->fncPlay();
    EXPECT_EQ(f.graphs.created, 2);
    EXPECT_NE(f.graph(), first);
    EXPECT_EQ(f.in().CurrentFile, f.path(QStringLiteral("AVSEQ02.DAT")));
    // The first graph went away when its video-window reference was replaced.
    first.reset();
    EXPECT_EQ(f.graphs.newest->lock(), f.graph());
}

TEST(Playback, cleanUpKeepsTheOldGraphAliveThroughItsVideoWindow)
{
    FakePlayer f;
    f.in().File1.select(0);
    f.player->fncPlay();
    std::weak_ptr<test::FakeGraph> weak = f.graph();
    f.player->CleanUp();
    EXPECT_FALSE(f.in().graph.control);
    EXPECT_FALSE(f.in().graph.position);
    EXPECT_FALSE(f.in().graph.audio);
    EXPECT_FALSE(weak.expired());
    f.player->CleanUp(); // harmless twice
    f.in().File1.select(1);
    f.player->fncStop();
    f.player->fncPlay();
    EXPECT_TRUE(weak.expired());
}

TEST(Playback, playWithNoSelectedEntryOpensTheBareFolderAndOnlyRunsAfterwards)
{
    FakePlayer f;
    f.player->fncPlay();
    EXPECT_EQ(f.in().CurrentFile, f.dir.path() + u'/');
    EXPECT_TRUE(f.log().contains(QStringLiteral("RenderFile ") + f.dir.path() + u'/'));
    const int graphs = f.graphs.created;
    f.player->fncPlay();
    EXPECT_EQ(f.graphs.created, graphs); // CurrentFile is set: no re-open
    f.player->fncStop();
    EXPECT_EQ(f.in().CurrentFile, QString());
}

TEST(Playback, audioOnlyFileKeepsThePreviousVideoSize)
{
    FakePlayer f({ "a.mpg", "b.mp3" });
    f.graphs.media = [](const QString& p) {
        FakeMedia m;
        if (p.endsWith(QStringLiteral(".mp3")))
            m.video = {};
        return std::optional<FakeMedia>(m);
    };
    f.in().File1.setPattern(QStringLiteral("*.mpg;*.mp3"));
    f.in().File1.select(0);
    f.player->fncPlay();
    f.player->NextTrack();
    EXPECT_EQ(f.in().CurrentFile, f.path(QStringLiteral("b.mp3")));
    EXPECT_EQ(f.in().SourceWidth, 352);
    EXPECT_EQ(f.in().SourceHeight, 288);
}

TEST(Playback, rewindsBeforeRunningOnlyWhileNoTotalIsKnown)
{
    FakePlayer f;
    f.in().File1.select(0);
    f.player->fncPlay();
    f.log().clear();
    f.player->fncPlay();
    EXPECT_FALSE(f.log().contains(QStringLiteral("Pos=0")));
    // A clip shorter than a second leaves the total at 00:00:00.
    f.in().txtSectotime3 = QStringLiteral("00:00:00");
    f.log().clear();
    f.player->PlayBtn();
    EXPECT_EQ(f.log().mid(0, 2), (QStringList { "Pos=0", "Run" }));
}

TEST(Playback, failedOpenLeavesSizesAndRangeAndPlaysNothing)
{
    FakePlayer f({ "good.mpg", "bad.mpg" });
    f.graphs.media = [](const QString& p) {
        return p.endsWith(QStringLiteral("bad.mpg")) ? std::nullopt
                                                     : std::optional<FakeMedia>(FakeMedia {});
    };
    f.in().File1.setPattern(QStringLiteral("*.mpg"));
    f.in().File1.select(1); // good.mpg
    f.player->fncPlay();
    f.player->fncStop();
    f.in().File1.select(0); // bad.mpg
    f.player->fncPlay();
    EXPECT_EQ(f.in().SourceWidth, 352);
    EXPECT_EQ(f.in().H1->Max(), 10); // a refused Max of 0 keeps the range
    EXPECT_EQ(f.in().txtSectotime3.get(), QStringLiteral("00:00:00"));
}

TEST(Playback, aPressOnTheSeekSlidersTrackOrArrowsSeeksThere)
{
    FakePlayer f;
    f.show();
    f.in().File1.select(0);
    f.player->fncPlay();
    dtVisualScrollBar* h1 = f.in().H1;
    ASSERT_EQ(h1->Max(), 10);
    const int y = h1->height() / 2;
    struct Case {
        dtVisualScrollBar* bar;
        int x;
        bool seeks;
    } cases[] = {
        { h1, h1->width() - 2, true }, // right arrow
        { h1, h1->width() * 3 / 4, true }, // track right of the thumb
        { f.in().V1, f.in().V1->width() / 4, false }, // volume and balance never seek
        { f.in().H2, f.in().H2->width() - 2, false },
    };
    for (const Case& c : cases) {
        const int before = c.bar->Value();
        const double was = f.graph()->position;
        QTest::mouseClick(c.bar, Qt::LeftButton, {}, QPoint(c.x, y));
        ASSERT_NE(c.bar->Value(), before) << c.x; // the press did move the thumb
        if (c.seeks)
            EXPECT_DOUBLE_EQ(f.graph()->position, h1->Value()) << c.x;
        else
            EXPECT_DOUBLE_EQ(f.graph()->position, was) << c.x;
    }
}

TEST(Getfilename, takesTheTextAfterTheLastSeparator)
{
    EXPECT_EQ(playerfrm::Getfilename(QStringLiteral("/media/cdrom/MPEGAV/AVSEQ01.DAT")),
        QStringLiteral("AVSEQ01.DAT"));
    EXPECT_EQ(playerfrm::Getfilename(QStringLiteral("/media/films/")), QStringLiteral("films/"));
    EXPECT_EQ(playerfrm::Getfilename(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(playerfrm::Getfilename(QString()), QString());
}

TEST(TitleLine, tooltipFollowsTheCurrentFile)
{
    FakePlayer f;
    f.in().File1.select(2);
    f.player->fncPlay();
    EXPECT_EQ(f.in().lblDisplay->text(), QStringLiteral("Zelto Veltrin Player :AVSEQ03.DAT"));
    EXPECT_EQ(f.in().lblDisplay->toolTip(), f.path(QStringLiteral("AVSEQ03.DAT")));
}

} // namespace

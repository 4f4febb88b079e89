#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "engine/filgraphmanager.h"
#include "player/playerfrm_testpeer.h"
#include "support/media.h"
#include "support/wait.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

PlayerOptions realOptions(const QTemporaryDir& dir)
{
    PlayerOptions o;
    o.useTray = false;
    o.mountTable = dir.filePath(QStringLiteral("no-mounts"));
    return o;
}

FilgraphManager* engineOf(playerfrm& p)
{
    return dynamic_cast<FilgraphManager*>(PlayerTestPeer(p).graph.position.get());
}

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2));
}

TEST(RealPlayback, aFolderOfVideoCdTracksPlaysInOrderByItself)
{
    QTemporaryDir dir;
    for (const char* name : { "AVSEQ01.DAT", "AVSEQ02.DAT", "AVSEQ03.DAT" })
        test::copyClip(Clip::VcdDat, dir.path(), QString::fromLatin1(name), 2);
    playerfrm player(realOptions(dir));
    PlayerTestPeer in(player);
    player.show();
    player.Form_Load(QString());
    in.File1.setPath(dir.path());
    in.File1.select(0);
    player.fncPlay();

    QStringList opened;
    const bool ended = waitFor(
        [&] {
            if (!in.CurrentFile.isEmpty() && (opened.isEmpty() || opened.last() != in.CurrentFile))
                opened << in.CurrentFile;
            return in.File1.selectedIndex() == 2 && in.CurrentFile.isEmpty();
        },
        30000);
    ASSERT_TRUE(ended);
    EXPECT_EQ(opened,
        (QStringList { dir.filePath(QStringLiteral("AVSEQ01.DAT")),
            dir.filePath(QStringLiteral("AVSEQ02.DAT")),
            dir.filePath(QStringLiteral("AVSEQ03.DAT")) }));
    // Stopped at 0 on the third entry, and it stays there.
    ASSERT_TRUE(waitFor([&] { return in.lblTimeused->text() == u"00:00:00"; }));
    EXPECT_NEAR(in.graph.position->CurrentPosition(), 0.0, 0.3);
    EXPECT_EQ(engineOf(player)->state(), GST_STATE_PAUSED);
    QTest::qWait(300);
    EXPECT_EQ(in.File1.selectedIndex(), 2);
    EXPECT_TRUE(in.CurrentFile.isEmpty());
}

TEST(RealPlayback, transportButtonsDriveTheGraph)
{
    QTemporaryDir dir;
    test::copyClip(Clip::Mp4, dir.path(), QStringLiteral("a.mp4"), 6);
    test::copyClip(Clip::Mp4, dir.path(), QStringLiteral("b.mp4"), 6);
    playerfrm player(realOptions(dir));
    PlayerTestPeer in(player);
    player.show();
    player.Form_Load(dir.filePath(QStringLiteral("a.mp4")));
    EXPECT_EQ(player.windowTitle(), QStringLiteral("Zelto Veltrin Player"));
    ASSERT_NE(engineOf(player), nullptr);
    ASSERT_TRUE(waitFor([&] { return engineOf(player)->state() == GST_STATE_PLAYING; }));
    // The video shows inside the video area.
    VideoWidget* video = engineOf(player)->videoWidget();
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->parentWidget(), in.Picture1);
    EXPECT_TRUE(in.Picture1->rect().contains(video->geometry()));
    ASSERT_TRUE(waitFor([&] { return video->framesPainted() > 2; }));

    click(in.cmdPause);
    ASSERT_TRUE(waitFor([&] { return engineOf(player)->state() == GST_STATE_PAUSED; }));
    const double paused = in.graph.position->CurrentPosition();
    click(in.cmdPause); // Pause does not toggle
    EXPECT_EQ(engineOf(player)->state(), GST_STATE_PAUSED);
    click(in.cmdPlay);
    ASSERT_TRUE(waitFor([&] { return engineOf(player)->state() == GST_STATE_PLAYING; }));
    EXPECT_GE(in.graph.position->CurrentPosition(), paused - 0.05);

    click(in.cmdStop);
    EXPECT_TRUE(in.CurrentFile.isEmpty());
    ASSERT_TRUE(waitFor([&] { return engineOf(player)->state() == GST_STATE_PAUSED; }));
    EXPECT_LT(in.graph.position->CurrentPosition(), 0.3);

    // The play list: Next and Previous through the folder.
    in.File1.setPath(dir.path());
    in.File1.setPattern(QStringLiteral("*.mp4"));
    in.File1.select(0);
    click(in.cmdPlay);
    EXPECT_EQ(in.CurrentFile, dir.filePath(QStringLiteral("a.mp4")));
    click(in.cmdNexttrack);
    EXPECT_EQ(in.CurrentFile, dir.filePath(QStringLiteral("b.mp4")));
    ASSERT_TRUE(waitFor([&] { return engineOf(player)->state() == GST_STATE_PLAYING; }));
    click(in.cmdBacktrack);
    EXPECT_EQ(in.CurrentFile, dir.filePath(QStringLiteral("a.mp4")));

    player.mnuExit_Click();
    EXPECT_FALSE(player.isVisible());
    EXPECT_FALSE(in.graph.control);
}

TEST(RealPlayback, aFileFromTheCommandLineIsAOneEntryPlayList)
{
    QTemporaryDir dir;
    const QString clip = test::copyClip(Clip::Mp4, dir.path(), QStringLiteral("a.mp4"), 2);
    test::copyClip(Clip::Mp4, dir.path(), QStringLiteral("b.mp4"), 2);
    playerfrm player(realOptions(dir));
    PlayerTestPeer in(player);
    player.show();
    player.Form_Load(clip);
    EXPECT_EQ(in.lblDisplay->text(), QStringLiteral("Zelto Veltrin Player :a.mp4"));
    EXPECT_TRUE(in.cmdFullscreen->Enabled());
    ASSERT_TRUE(waitFor([&] { return engineOf(player)->state() == GST_STATE_PLAYING; }));

    // Previous restarts it; Next stops it. The other clip in the folder never plays.
    ASSERT_TRUE(waitFor([&] { return in.graph.position->CurrentPosition() > 1.0; }));
    click(in.cmdBacktrack);
    EXPECT_EQ(in.CurrentFile, clip);
    ASSERT_TRUE(waitFor([&] { return engineOf(player)->state() == GST_STATE_PLAYING; }));
    EXPECT_LT(in.graph.position->CurrentPosition(), 1.0);
    click(in.cmdNexttrack);
    EXPECT_TRUE(in.CurrentFile.isEmpty());
    ASSERT_TRUE(waitFor([&] { return engineOf(player)->state() == GST_STATE_PAUSED; }));
    EXPECT_EQ(in.File1.count(), 1);

    // Play after the end plays it again from the start, as often as asked.
    for (int round = 0; round < 2; ++round) {
        click(in.cmdPlay);
        EXPECT_EQ(in.CurrentFile, clip) << round;
        ASSERT_TRUE(waitFor([&] { return in.graph.position->CurrentPosition() > 0.3; })) << round;
        // It ends by itself: the stop rule forgets the file, and the next
        // tick's next-track rule finds no next entry.
        ASSERT_TRUE(waitFor(
            [&] { return in.CurrentFile.isEmpty() && in.Label3.get() != in.Label4.get(); }, 10000))
            << round;
    }
}

TEST(RealPlayback, badFilesOnTheCommandLinePlayNothingAndReportNothing)
{
    QTemporaryDir dir;
    QFile(dir.filePath(QStringLiteral("zero.mpg"))).open(QIODevice::WriteOnly);
    {
        QFile text(dir.filePath(QStringLiteral("text.avi")));
        text.open(QIODevice::WriteOnly);
        text.write("plain words, not a film\n");
    }
    ASSERT_EQ(
        ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.mpg"))).constData(), 0600), 0);
    {
        QFile list(dir.filePath(QStringLiteral("bad.pls")));
        list.open(QIODevice::WriteOnly);
        list.write("fifo.mpg\r\nzero.mpg\r\n\r\nmissing.mpg\r\n");
    }
    for (const char* arg : { "missing.mpg", "zero.mpg", "text.avi", "fifo.mpg", "bad.pls", "" }) {
        playerfrm player(realOptions(dir));
        PlayerTestPeer in(player);
        player.show();
        QElapsedTimer clock;
        clock.start();
        player.Form_Load(dir.filePath(QString::fromLatin1(arg)));
        EXPECT_LT(clock.elapsed(), FilgraphManager::kPrerollTimeout.count() + 1000) << arg;
        EXPECT_FALSE(engineOf(player) && engineOf(player)->isRendered()) << arg;
        EXPECT_EQ(in.txtSectotime3.get(), QStringLiteral("00:00:00"));
        player.Timer1_Timer();
        EXPECT_TRUE(QApplication::topLevelWidgets().size() >= 1);
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->isVisible() && w != &player && w->inherits("QMessageBox")) << arg;
    }
}

} // namespace

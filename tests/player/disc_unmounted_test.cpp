// Discs nobody mounted: the probes read them through their device (here a
// disc image standing in for one) and play what they find.
#include "engine/filgraphmanager.h"
#include "player/playerfrm_testpeer.h"
#include "runtime/mounts.h"
#include "support/discmedia.h"
#include "support/wait.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using veltrin::FilgraphManager;
using veltrin::setSystemMountTable;
using veltrin::test::discImages;
using veltrin::test::kCdAudioTones;
using veltrin::test::waitFor;

namespace {

class UnmountedDisc : public ::testing::Test {
protected:
    std::unique_ptr<playerfrm> makePlayer(const QStringList& unmounted, QString mountTable = {})
    {
        if (mountTable.isEmpty())
            mountTable = tmp.filePath(QStringLiteral("no-mounts"));
        return std::make_unique<playerfrm>(playerfrm::Options { .mountTable = mountTable,
            .unmountedDrives = [unmounted] { return unmounted; },
            .formFile = {},
            .useTray = false });
    }

    static FilgraphManager* engine(playerfrm& p)
    {
        return dynamic_cast<FilgraphManager*>(PlayerTestPeer(p).graph.control.get());
    }

    // Playing, and its position moves past `seconds`.
    static bool advances(playerfrm& p, double seconds)
    {
        return waitFor(
            [&] {
                FilgraphManager* g = engine(p);
                return g && g->state() == GST_STATE_PLAYING && g->CurrentPosition() > seconds;
            },
            10000);
    }

    QTemporaryDir tmp;
};

TEST_F(UnmountedDisc, startUpProbesPlayWhatTheDiscHolds)
{
    const auto& d = discImages();
    ASSERT_FALSE(d.vcdCue.isEmpty());
    struct Case {
        QString drive;
        QString file; // the path on the disc that plays
    };
    const Case cases[] = {
        { d.vcdCue, "MPEGAV/AVSEQ01.DAT" },
        { d.dvdIso, "VIDEO_TS/VTS_01_1.VOB" },
        { d.cdAudioCue, "Track01.cda" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drive.toStdString());
        auto p = makePlayer({ c.drive });
        PlayerTestPeer in(*p);

        p->Command29_Click();

        EXPECT_EQ(in.txtCDdrive, c.drive);
        EXPECT_EQ(in.CurrentFile.compare(c.drive + u'/' + c.file, Qt::CaseInsensitive), 0)
            << in.CurrentFile.toStdString();
        EXPECT_TRUE(advances(*p, 0.5));
    }
}

TEST_F(UnmountedDisc, theSecondDrivesVideoCdWinsOverTheFirstDrivesAudioCd)
{
    const auto& d = discImages();
    ASSERT_FALSE(d.vcdCue.isEmpty());
    // Only the second drive holds a Video CD: the first (an audio CD) fails
    // the Video CD probe of drive one, and drive two's Video CD wins over
    // the audio-CD probe that comes last.
    auto p = makePlayer({ d.cdAudioCue, d.vcdCue });
    PlayerTestPeer in(*p);

    p->Command29_Click();

    EXPECT_EQ(in.CurrentFile.compare(d.vcdCue + "/MPEGAV/AVSEQ01.DAT", Qt::CaseInsensitive), 0)
        << in.CurrentFile.toStdString();
}

TEST_F(UnmountedDisc, anAudioCdPlaysItsTracksInOrder)
{
    const auto& d = discImages();
    ASSERT_FALSE(d.cdAudioCue.isEmpty());
    auto p = makePlayer({ d.cdAudioCue });
    PlayerTestPeer in(*p);

    // Start-up: its timer moves to the next track.
    p->Form_Load(QString());

    ASSERT_TRUE(advances(*p, 0.2));
    EXPECT_EQ(in.CurrentFile, d.cdAudioCue + "/Track01.cda");
    EXPECT_NEAR(engine(*p)->Duration(), kCdAudioTones[0].seconds, 0.1);
    ASSERT_TRUE(waitFor([&] { return in.CurrentFile == d.cdAudioCue + "/Track02.cda"; }, 15000));
    ASSERT_TRUE(advances(*p, 0.2));
    EXPECT_NEAR(engine(*p)->Duration(), kCdAudioTones[1].seconds, 0.1);
}

// A disc image named on the command line plays as the disc inside it.
TEST_F(UnmountedDisc, anImageOnTheCommandLinePlaysTheDiscInIt)
{
    const auto& d = discImages();
    ASSERT_FALSE(d.vcdBin.isEmpty());
    struct Case {
        QString image;
        QString file;
    };
    const Case cases[] = {
        { d.dvdIso, "VIDEO_TS/VTS_01_1.VOB" }, // the third title file
        { d.vcdBin, "MPEGAV/AVSEQ01.DAT" }, // read through the .cue beside it
        { d.cdAudioCue, "Track01.cda" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image.toStdString());
        auto p = makePlayer({});
        PlayerTestPeer in(*p);

        p->Form_Load(c.image);

        EXPECT_EQ(in.CurrentFile.compare(c.image + u'/' + c.file, Qt::CaseInsensitive), 0)
            << in.CurrentFile.toStdString();
        EXPECT_TRUE(in.File1.path().startsWith(c.image)) << in.File1.path().toStdString();
        EXPECT_TRUE(advances(*p, 0.5));
    }
}

TEST_F(UnmountedDisc, aVideoCdImagePlaysBothTracksThenStopsAtTheStart)
{
    const auto& d = discImages();
    ASSERT_FALSE(d.vcdCue.isEmpty());
    auto p = makePlayer({});
    PlayerTestPeer in(*p);

    p->Form_Load(d.vcdCue);

    ASSERT_TRUE(advances(*p, 0.2));
    const QString first = in.CurrentFile;
    EXPECT_TRUE(first.endsWith("/AVSEQ01.DAT", Qt::CaseInsensitive)) << first.toStdString();
    EXPECT_EQ(in.File1.entries(), (QStringList { "AVSEQ01.DAT", "AVSEQ02.DAT" }));
    ASSERT_TRUE(waitFor(
        [&] { return in.CurrentFile.endsWith("/AVSEQ02.DAT", Qt::CaseInsensitive); }, 15000));
    ASSERT_TRUE(advances(*p, 0.2));
    ASSERT_TRUE(waitFor(
        [&] {
            FilgraphManager* g = engine(*p);
            return g && g->state() != GST_STATE_PLAYING;
        },
        15000));
    EXPECT_NEAR(engine(*p)->CurrentPosition(), 0.0, 0.05);
    // Stopped after the last entry: the list keeps it selected.
    EXPECT_EQ(in.File1.currentName(), u"AVSEQ02.DAT");
}

// A Video CD the desktop mounted: its tracks show in the file system, but
// their sectors are read from the drive. An image stands for the device, and
// the mounted files are empty: a moving position shows where the data came
// from.
using MountedDisc = UnmountedDisc;

TEST_F(MountedDisc, aVideoCdTrackIsReadFromTheDriveNotTheFileSystem)
{
    const auto& d = discImages();
    ASSERT_FALSE(d.vcdCue.isEmpty());
    const QString mnt = tmp.filePath(QStringLiteral("cdrom"));
    ASSERT_TRUE(QDir().mkpath(mnt + QStringLiteral("/MPEGAV")));
    for (const char* name : { "/MPEGAV/AVSEQ01.DAT", "/MPEGAV/AVSEQ02.DAT" })
        ASSERT_TRUE(QFile(mnt + QLatin1String(name)).open(QIODevice::WriteOnly));
    const QString table = tmp.filePath(QStringLiteral("mounts"));
    {
        QFile f(table);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("%1 %2 iso9660 ro 0 0\n").arg(d.vcdCue, mnt).toUtf8());
    }
    // The engine reads the mount table as the player does.
    setSystemMountTable(table);
    const auto restore = qScopeGuard([] { setSystemMountTable({}); });
    auto p = makePlayer({}, table);
    PlayerTestPeer in(*p);

    p->Command29_Click();

    EXPECT_EQ(in.txtCDdrive, mnt);
    EXPECT_EQ(in.CurrentFile, mnt + QStringLiteral("/MPEGAV/AVSEQ01.DAT"));
    EXPECT_TRUE(advances(*p, 0.5));
    EXPECT_NEAR(engine(*p)->Duration(), 5.0, 0.5);
}

} // namespace

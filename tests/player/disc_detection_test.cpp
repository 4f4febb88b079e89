#include "controls/button/qorvxpbutton.h"
#include "engine/filgraphmanager.h"
#include "player/playerfrm_testpeer.h"
#include "support/fake_graph.h"
#include "support/media.h"
#include "support/wait.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using veltrin::FilgraphManager;
using veltrin::test::Clip;
using veltrin::test::copyClip;
using veltrin::test::renderedPaths;
using veltrin::test::waitFor;

namespace {

const QString kTitle = QStringLiteral("Zelto Veltrin Player");

// Optical drives are mount points listed in a mount table of the test's own.
class DiscDetection : public ::testing::Test {
protected:
    QString drive(const QString& name)
    {
        const QString path = tmp.filePath(name);
        QDir().mkpath(path);
        return path;
    }

    static QString folder(const QString& parent, const QString& name)
    {
        const QString path = parent + u'/' + name;
        QDir().mkpath(path);
        return path;
    }

    static void emptyFiles(const QString& dir, const QStringList& names)
    {
        for (const QString& n : names)
            QFile(dir + u'/' + n).open(QIODevice::WriteOnly);
    }

    void setTable(const QStringList& lines)
    {
        QFile f(table);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write((lines.join(u'\n') + u'\n').toUtf8());
    }

    std::unique_ptr<playerfrm> makePlayer(GraphFactory factory = makeGStreamerGraph)
    {
        return std::make_unique<playerfrm>(playerfrm::Options { .graphFactory = std::move(factory),
            .mountTable = table,
            .formFile = {},
            .useTray = false });
    }

    static PlayerTestPeer in(const std::unique_ptr<playerfrm>& p) { return PlayerTestPeer(*p); }

    static FilgraphManager* engine(playerfrm& p)
    {
        return dynamic_cast<FilgraphManager*>(PlayerTestPeer(p).graph.control.get());
    }

    static bool plays(playerfrm& p)
    {
        FilgraphManager* g = engine(p);
        return g && g->isRendered() && waitFor([&] { return g->state() == GST_STATE_PLAYING; });
    }

    QTemporaryDir tmp;
    QString table = tmp.filePath(QStringLiteral("mounts"));
};

TEST_F(DiscDetection, startUpVideoCdPlaysTheFirstTrackInNameOrder)
{
    const QString cd = drive(QStringLiteral("cdrom0"));
    const QString mpegav = folder(cd, QStringLiteral("MPEGAV"));
    emptyFiles(mpegav, { "AVSEQ02.DAT", "AVSEQ00.TXT" });
    copyClip(Clip::VcdDat, mpegav, QStringLiteral("AVSEQ01.DAT"));
    setTable({ "/dev/sda1 / ext4 rw 0 0", "/dev/sr0 " + cd + " iso9660 ro 0 0" });
    auto p = makePlayer();

    p->Command29_Click();

    EXPECT_EQ(in(p).Text2, mpegav);
    EXPECT_EQ(in(p).txtCDdrive, cd);
    EXPECT_EQ(in(p).List1, QStringList { cd });
    EXPECT_EQ(in(p).CurrentFile, mpegav + "/AVSEQ01.DAT");
    EXPECT_EQ(in(p).File1.selectedIndex(), 0);
    EXPECT_EQ(in(p).lblDisplayCaption.get(), kTitle + " :AVSEQ01.DAT");
    EXPECT_TRUE(plays(*p));
}

TEST_F(DiscDetection, startUpDvdPlaysTheThirdTitleFileAfterBothVideoCdProbesFail)
{
    const QString cd = drive(QStringLiteral("dvd"));
    const QString videoTs = folder(cd, QStringLiteral("VIDEO_TS"));
    emptyFiles(videoTs,
        { "VIDEO_TS.VOB", "VTS_01_0.VOB", "VTS_01_2.VOB", "VIDEO_TS.IFO", "VTS_01_0.IFO" });
    copyClip(Clip::Vob, videoTs, QStringLiteral("VTS_01_1.VOB"));
    setTable({ "/dev/sr0 " + cd + " udf ro 0 0" });
    auto p = makePlayer();

    p->Command29_Click();

    EXPECT_EQ(in(p).Text2, videoTs);
    EXPECT_EQ(in(p).CurrentFile, videoTs + "/VTS_01_1.VOB");
    // Three probes ran, each noting the one drive again.
    EXPECT_EQ(in(p).List1, (QStringList { cd, cd, cd }));
    EXPECT_TRUE(plays(*p));
}

TEST_F(DiscDetection, startUpWithoutOpticalDriveChangesNothing)
{
    // A folder named like the probe's initial text must not pass for a disc.
    const QString cwd = drive(QStringLiteral("cwd"));
    copyClip(Clip::VcdDat, folder(cwd, QStringLiteral("Text2")), QStringLiteral("AVSEQ01.DAT"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd));

    const QList<QStringList> tables {
        { "/dev/sda1 / ext4 rw 0 0", "tmpfs /tmp tmpfs rw 0 0",
            "/dev/sdb1 /media/usb vfat rw 0 0" },
        {}, // an empty table
    };
    for (const QStringList& lines : tables) {
        setTable(lines);
        auto p = makePlayer();
        const QString before = in(p).File1.path();

        p->Command29_Click();

        EXPECT_EQ(in(p).graph.control, nullptr);
        EXPECT_TRUE(in(p).CurrentFile.isEmpty());
        EXPECT_EQ(in(p).Text2, u"Text2");
        EXPECT_EQ(in(p).txtCDdrive, u"CD Drive");
        EXPECT_TRUE(in(p).List1.isEmpty());
        EXPECT_EQ(in(p).File1.path(), before);
        EXPECT_EQ(in(p).lblDisplayCaption.get(), kTitle);
    }
    QDir::setCurrent(previous);
}

class AutoDetectDuringPlayback : public DiscDetection,
                                 public ::testing::WithParamInterface<bool> { };

TEST_P(AutoDetectDuringPlayback, stopsFirstAndDisablesFullScreen)
{
    const bool discInserted = GetParam();
    const QString files = drive(QStringLiteral("films"));
    copyClip(Clip::Mpg, files, QStringLiteral("film.mpg"));
    const QString cd = drive(QStringLiteral("cdrom0"));
    const QString mpegav = folder(cd, QStringLiteral("MPEGAV"));
    copyClip(Clip::VcdDat, mpegav, QStringLiteral("AVSEQ01.DAT"));
    setTable({ "/dev/sda1 / ext4 rw 0 0" });
    auto p = makePlayer();
    in(p).File1.setPath(files);
    // As the folder browser leaves it after playing with a narrow filter: the
    // disc's tracks are found all the same.
    in(p).File1.setPattern(QStringLiteral("*.mpg"));
    in(p).File1.select(0);
    p->fncPlay();
    ASSERT_TRUE(plays(*p));
    FilgraphManager* film = engine(*p);
    ASSERT_TRUE(in(p).cmdFullscreen->Enabled());
    if (discInserted)
        setTable({ "/dev/sda1 / ext4 rw 0 0", "/dev/sr0 " + cd + " iso9660 ro 0 0" });

    emit in(p).cmdAutodetect->Click();

    if (discInserted) {
        EXPECT_EQ(in(p).CurrentFile, mpegav + "/AVSEQ01.DAT");
        EXPECT_EQ(in(p).File1.pattern(), u"*.dat;*.vob");
        EXPECT_NE(engine(*p), film);
        EXPECT_TRUE(plays(*p));
        EXPECT_EQ(in(p).lblDisplayCaption.get(), kTitle + " :AVSEQ01.DAT");
        return;
    }
    EXPECT_TRUE(in(p).CurrentFile.isEmpty());
    EXPECT_EQ(in(p).lblDisplayCaption.get(), kTitle + " :no disc found");
    EXPECT_EQ(engine(*p), film);
    EXPECT_TRUE(waitFor([&] { return film->state() != GST_STATE_PLAYING; }));
    EXPECT_NEAR(film->CurrentPosition(), 0.0, 0.05);
    EXPECT_FALSE(in(p).cmdFullscreen->Enabled());
    EXPECT_FALSE(in(p).mnuFullscreen->isEnabled());
    EXPECT_EQ(in(p).File1.path(), QDir::cleanPath(QCoreApplication::applicationDirPath()));
}

INSTANTIATE_TEST_SUITE_P(DiscOrNot, AutoDetectDuringPlayback, ::testing::Bool(),
    [](const auto& info) { return info.param ? "videoCdFound" : "nothingFound"; });

TEST_F(DiscDetection, aDiscTrackThatCannotPlayIsNamedAsSuch)
{
    const QString cd = drive(QStringLiteral("cdrom0"));
    emptyFiles(folder(cd, QStringLiteral("MPEGAV")), { "AVSEQ01.DAT" });
    setTable({ "/dev/sr0 " + cd + " iso9660 ro 0 0" });
    auto p = makePlayer();
    p->Command29_Click();
    EXPECT_EQ(in(p).lblDisplayCaption.get(), kTitle + " :cannot play AVSEQ01.DAT");
    p->cmdAutodetect_Click();
    EXPECT_EQ(in(p).lblDisplayCaption.get(), kTitle + " :cannot play AVSEQ01.DAT");
}

// The probe order with a recording graph: which file of which layout plays.

struct Layout {
    const char* name;
    // Per drive, in mount-table order: the drive's folder name and its files.
    std::vector<std::pair<QString, QStringList>> drives;
    QString played; // below the temporary folder; "" for nothing
};

class ProbeOrder : public DiscDetection, public ::testing::WithParamInterface<Layout> { };

TEST_P(ProbeOrder, playsTheFirstDiscTheChainFinds)
{
    QStringList lines;
    int n = 0;
    for (const auto& [name, files] : GetParam().drives) {
        const QString root = tmp.filePath(name);
        for (const QString& f : files) {
            QDir().mkpath(QFileInfo(root + u'/' + f).path());
            emptyFiles(root, { f });
        }
        QString escaped = root;
        escaped.replace(u' ', QStringLiteral("\\040"));
        lines << QStringLiteral("/dev/sr%1 %2 iso9660 ro 0 0").arg(n++).arg(escaped);
    }
    setTable(lines);
    veltrin::test::FakeGraphFactory graphs;
    auto p = makePlayer(graphs.factory());

    p->Command29_Click();

    const QString played = GetParam().played;
    EXPECT_EQ(renderedPaths(*graphs.log),
        played.isEmpty() ? QStringList {} : QStringList { tmp.filePath(played) });
}

const QStringList kDvd { "VIDEO_TS/VIDEO_TS.VOB", "VIDEO_TS/VTS_01_0.VOB", "VIDEO_TS/VTS_01_1.VOB",
    "VIDEO_TS/VTS_01_2.VOB" };

INSTANTIATE_TEST_SUITE_P(Layouts, ProbeOrder,
    ::testing::Values(
        Layout { "videoCdBeforeDvdOnOneDisc",
            { { "d0", QStringList { "MPEGAV/AVSEQ01.DAT" } + kDvd } }, "d0/MPEGAV/AVSEQ01.DAT" },
        Layout { "videoCdOnSecondBeforeDvdOnFirst",
            { { "d0", kDvd }, { "d1", { "MPEGAV/AVSEQ01.DAT" } } }, "d1/MPEGAV/AVSEQ01.DAT" },
        Layout {
            "dvdOnTheSecondDrive", { { "d0", {} }, { "d1", kDvd } }, "d1/VIDEO_TS/VTS_01_1.VOB" },
        Layout { "emptyVideoCdFolderFallsToDvd",
            { { "d0", QStringList { "MPEGAV/README.TXT" } + kDvd } }, "d0/VIDEO_TS/VTS_01_1.VOB" },
        Layout { "tracksOutsideTheDiscFolderAreIgnored",
            { { "d0", { "AVSEQ01.DAT", "VTS_01_1.VOB" } } }, "" },
        Layout { "onlyTwoDrivesAreProbed",
            { { "d0", {} }, { "d1", {} }, { "d2", { "MPEGAV/AVSEQ01.DAT" } } }, "" },
        Layout { "mountPointWithASpace", { { "my disc", { "MPEGAV/AVSEQ01.DAT" } } },
            "my disc/MPEGAV/AVSEQ01.DAT" },
        Layout { "mixedCaseFolderName", { { "d0", { "MpegAV/AVSEQ01.DAT" } } },
            "d0/MpegAV/AVSEQ01.DAT" },
        Layout { "secondDriveWhenTheFirstIsEmpty",
            { { "d0", {} }, { "d1", { "MPEGAV/AVSEQ02.DAT", "MPEGAV/AVSEQ01.DAT" } } },
            "d1/MPEGAV/AVSEQ01.DAT" },
        // Linux shows an ISO 9660 disc without Rock Ridge in lower case.
        Layout { "lowerCaseDisc", { { "d0", { "mpegav/avseq02.dat", "mpegav/avseq01.dat" } } },
            "d0/mpegav/avseq01.dat" },
        Layout { "dvdWithTwoTitleFiles",
            { { "d0", { "VIDEO_TS/VIDEO_TS.VOB", "VIDEO_TS/VTS_01_1.VOB" } } }, "" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiscDetection, aDriveInTheTableWhoseFolderIsGoneFailsItsProbe)
{
    // A disc taken out after the table was read, or one that cannot be read:
    // the next probe runs and finds the DVD on the second drive.
    const QString gone = tmp.filePath(QStringLiteral("absent")); // sorts before "dvd"
    const QString dvd = drive(QStringLiteral("dvd"));
    emptyFiles(folder(dvd, QStringLiteral("VIDEO_TS")), { "A.VOB", "B.VOB", "C.VOB" });
    setTable({ "/dev/sr0 " + gone + " iso9660 ro 0 0", "/dev/sr1 " + dvd + " udf ro 0 0" });
    veltrin::test::FakeGraphFactory graphs;
    auto p = makePlayer(graphs.factory());

    p->Command29_Click();

    EXPECT_EQ(renderedPaths(*graphs.log), QStringList { dvd + "/VIDEO_TS/C.VOB" });
    EXPECT_EQ(in(p).txtCDdrive, dvd);
}

} // namespace

// CD audio tracks as .cda entries of a disc's root folder, played through
// cdiocddasrc; disc folders in the file list through the engine's lister.
#include "engine/disc.h"
#include "engine/filgraphmanager.h"
#include "engine/gsthandle.h"
#include "runtime/filelistmodel.h"
#include "runtime/steps.h"
#include "support/discmedia.h"
#include "support/wait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace veltrin;
using test::CdAudioTone;
using test::discImages;
using test::kCdAudioTones;
using test::readAll;
using test::waitFor;
using test::writeAll;

namespace {

constexpr quint64 kBytesPerSecond = 44100 * 4;

QStringList namesOf(const QList<DiscEntry>& entries)
{
    QStringList out;
    for (const DiscEntry& e : entries)
        out.append(e.name);
    return out;
}

QString sourceFactory(FilgraphManager& graph)
{
    GstElement* raw = nullptr;
    g_object_get(graph.pipeline(), "source", &raw, nullptr);
    ElementHandle source = ElementHandle::adopt(raw);
    return source ? QString::fromLatin1(GST_OBJECT_NAME(gst_element_get_factory(source.get())))
                  : QString();
}

TEST(CdAudio, audioTracksAreTheRootFolderOfTheirDisc)
{
    const QStringList tracks { QStringLiteral("Track01.cda"), QStringLiteral("Track02.cda") };
    // The .bin alone is read through the .cue of its name.
    for (const QString& source : { discImages().cdAudioCue, discImages().cdAudioBin }) {
        SCOPED_TRACE(source.toStdString());
        const auto root = listDiscFolder(source);
        ASSERT_TRUE(root.has_value());
        EXPECT_EQ(namesOf(*root), tracks);
        ASSERT_EQ(root->size(), 2);
        for (int i = 0; i < 2; ++i) {
            EXPECT_FALSE(root->at(i).folder);
            EXPECT_EQ(root->at(i).size, quint64(kCdAudioTones[i].seconds) * kBytesPerSecond);
        }
        EXPECT_FALSE(listDiscFolder(source + QStringLiteral("/Track01.cda")).has_value());
        EXPECT_FALSE(listDiscFolder(source + QStringLiteral("/MPEGAV")).has_value());
    }
    // Discs of data tracks only have no .cda entries.
    for (const QString& source : { discImages().vcdCue, discImages().dvdIso }) {
        const auto root = listDiscFolder(source);
        ASSERT_TRUE(root.has_value());
        EXPECT_FALSE(namesOf(*root).join(u' ').contains(QStringLiteral(".cda")))
            << source.toStdString();
        EXPECT_EQ(listCdAudioTracks(source).value_or(QList<DiscEntry>()).size(), 0);
    }
}

TEST(CdAudio, trackNamesAndUris)
{
    const struct {
        const char* name;
        int track;
    } names[] = {
        { "Track01.cda", 1 }, { "track99.CDA", 99 }, { "Track1.cda", 0 }, { "Track001.cda", 0 },
        { "Track01.cdb", 0 }, { "Track01.cda.mp3", 0 },
        { "Track\xd9\xa1\xd9\xa2.cda", 0 }, // Arabic-Indic digits
    };
    for (const auto& n : names)
        EXPECT_EQ(cdAudioTrackNumber(QString::fromUtf8(n.name)), n.track) << n.name;
    EXPECT_EQ(cdAudioTrackName(7), QStringLiteral("Track07.cda"));
    EXPECT_EQ(cdAudioTrackNumber(cdAudioTrackName(42)), 42);

    const QString cue = discImages().cdAudioCue;
    EXPECT_EQ(discUriForPath(cue + QStringLiteral("/track02.CDA")), cdAudioUri(cue, 2));
    EXPECT_EQ(discUriForPath(discImages().cdAudioBin + QStringLiteral("/Track01.cda")),
        cdAudioUri(discImages().cdAudioBin, 1));
    // No such track: our own source, which finds no such file.
    EXPECT_EQ(discUriForPath(cue + QStringLiteral("/Track03.cda")),
        discUri(cue, QStringLiteral("Track03.cda")));
    EXPECT_EQ(discUriForPath(discImages().vcdCue + QStringLiteral("/Track01.cda")),
        discUri(discImages().vcdCue, QStringLiteral("Track01.cda")));
}

// An image in a folder whose name a URI must escape.
QString oddlyPlacedImage(const QString& dir)
{
    const QString folder = dir + QStringLiteral("/a b#1 %20");
    QDir().mkpath(folder);
    QFile::copy(discImages().cdAudioBin, folder + QStringLiteral("/audio.bin"));
    QFile::copy(discImages().cdAudioCue, folder + QStringLiteral("/audio.cue"));
    return folder + QStringLiteral("/audio.cue");
}

TEST(CdAudioPlayback, eachTrackPlaysForItsLength)
{
    QTemporaryDir dir;
    for (const QString& cue : { discImages().cdAudioCue, oddlyPlacedImage(dir.path()) }) {
        for (int track = 1; track <= 2; ++track) {
            SCOPED_TRACE(cue.toStdString() + " track " + std::to_string(track));
            FilgraphManager graph;
            graph.RenderFile(cue + u'/' + cdAudioTrackName(track));
            EXPECT_EQ(sourceFactory(graph), QStringLiteral("cdiocddasrc"));
            EXPECT_NEAR(graph.Duration(), kCdAudioTones[track - 1].seconds, 0.1);
            EXPECT_TRUE(graph.hasAudio());
            EXPECT_FALSE(graph.hasVideo());
        }
    }
}

TEST(CdAudioPlayback, seeksWithinATrackAndPlaysToItsEnd)
{
    FilgraphManager graph;
    graph.RenderFile(discImages().cdAudioCue + QStringLiteral("/Track02.cda"));
    graph.setCurrentPosition(2.5);
    ASSERT_TRUE(waitFor([&] { return graph.state() == GST_STATE_PAUSED; }));
    EXPECT_NEAR(graph.CurrentPosition(), 2.5, 0.1);
    graph.Run();
    ASSERT_TRUE(waitFor([&] { return graph.CurrentPosition() >= 3.0; }));
    EXPECT_TRUE(waitFor([&] { return graph.atEnd(); }, 10000));
    // Track 2 ends at its own end, not in the next track or at the disc's.
    EXPECT_NEAR(graph.Duration(), 4.0, 0.1);
}

// Damaged CD audio images: listing and playing fail or give what the image
// still holds; nothing crashes, and RenderFile's preroll wait bounds the rest.
struct DamagedAudioCase {
    const char* name;
    std::function<QString(const QString& dir)> make; // the .cue
    QStringList listed; // empty: listing the root fails
    QList<double> seconds; // per listed track, what RenderFile measures
};

QString copyWithBin(const QString& dir, const QByteArray& bin)
{
    writeAll(dir + QStringLiteral("/audio.bin"), bin);
    QFile::copy(discImages().cdAudioCue, dir + QStringLiteral("/audio.cue"));
    return dir + QStringLiteral("/audio.cue");
}

QString cueWith(const QString& dir, const QByteArray& cue)
{
    QFile::copy(discImages().cdAudioBin, dir + QStringLiteral("/audio.bin"));
    writeAll(dir + QStringLiteral("/audio.cue"), cue);
    return dir + QStringLiteral("/audio.cue");
}

constexpr int kSector = 2352;

const DamagedAudioCase kDamagedAudio[] = {
    { "cue_naming_a_missing_bin",
        [](const QString& d) {
            QFile::copy(discImages().cdAudioCue, d + QStringLiteral("/audio.cue"));
            return d + QStringLiteral("/audio.cue");
        },
        {}, {} },
    { "bin_cut_inside_track_one",
        [](const QString& d) {
            return copyWithBin(d, readAll(discImages().cdAudioBin).left(100 * kSector));
        },
        {}, {} },
    { "bin_cut_inside_track_two",
        [](const QString& d) {
            return copyWithBin(d, readAll(discImages().cdAudioBin).left(300 * kSector));
        },
        { QStringLiteral("Track01.cda"), QStringLiteral("Track02.cda") }, { 3.0, 1.0 } },
    { "bin_cut_inside_a_sector",
        [](const QString& d) {
            return copyWithBin(d, readAll(discImages().cdAudioBin).left(1000));
        },
        {}, {} },
    { "nonsense_track_lines",
        [](const QString& d) {
            return cueWith(d,
                "FILE \"audio.bin\" BINARY\n  TRACK XX AUDIO\n    INDEX 01 zz:00:00\n"
                "  TRACK 02 BANANA\n    INDEX 01 00:03:00\n");
        },
        {}, {} },
    { "index_past_the_end", // so track 1 runs past the image's end too
        [](const QString& d) {
            return cueWith(d,
                "FILE \"audio.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                "  TRACK 02 AUDIO\n    INDEX 01 59:00:00\n");
        },
        {}, {} },
    { "no_tracks", [](const QString& d) { return cueWith(d, "FILE \"audio.bin\" BINARY\n"); }, {},
        {} },
};

void PrintTo(const DamagedAudioCase& c, std::ostream* out)
{
    *out << c.name;
}

class DamagedCdAudio : public ::testing::TestWithParam<DamagedAudioCase> { };

TEST_P(DamagedCdAudio, listsAndPlaysOnlyWhatTheImageHolds)
{
    QTemporaryDir dir;
    const DamagedAudioCase& c = GetParam();
    const QString cue = c.make(dir.path());
    const auto root = listDiscFolder(cue);
    if (c.listed.isEmpty()) {
        EXPECT_FALSE(root.has_value());
    } else {
        EXPECT_EQ(namesOf(root.value_or(QList<DiscEntry>())), c.listed);
    }
    for (int track = 1; track <= 2; ++track) {
        SCOPED_TRACE(track);
        FilgraphManager graph;
        const QString path = cue + u'/' + cdAudioTrackName(track);
        if (track > c.seconds.size()) {
            EXPECT_THROW(graph.RenderFile(path), Failure);
            continue;
        }
        graph.RenderFile(path);
        EXPECT_NEAR(graph.Duration(), c.seconds.at(track - 1), 0.1);
    }
}

INSTANTIATE_TEST_SUITE_P(Images, DamagedCdAudio, ::testing::ValuesIn(kDamagedAudio),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CdAudioPlayback, tracksTheDiscDoesNotHoldFailToRender)
{
    for (const char* name : { "Track03.cda", "Track00.cda", "Track99.cda", "Track02.cda/x" }) {
        SCOPED_TRACE(name);
        FilgraphManager graph;
        EXPECT_THROW(
            graph.RenderFile(discImages().cdAudioCue + u'/' + QLatin1String(name)), Failure);
        EXPECT_FALSE(graph.isRendered());
    }
}

// The file list over disc folders, with the engine's lister.
class DiscFolderList : public ::testing::Test {
protected:
    DiscFolderList() { installDiscFolderLister(); }
    ~DiscFolderList() override { setDiscFolderLister({}); }
};

TEST_F(DiscFolderList, listsFilesOnDiscsByPattern)
{
    const struct {
        QString folder;
        const char* pattern;
        QStringList entries;
    } cases[] = {
        { discImages().vcdCue + QStringLiteral("/MPEGAV"), "*.dat",
            { QStringLiteral("AVSEQ01.DAT"), QStringLiteral("AVSEQ02.DAT") } },
        { discImages().vcdBin + QStringLiteral("/mpegav/"), "*.dat;*.vob",
            { QStringLiteral("AVSEQ01.DAT"), QStringLiteral("AVSEQ02.DAT") } },
        { discImages().vcdCue, "*", {} }, // folders only
        { discImages().dvdIso + QStringLiteral("/VIDEO_TS"), "*.vob",
            { QStringLiteral("VIDEO_TS.VOB"), QStringLiteral("VTS_01_0.VOB"),
                QStringLiteral("VTS_01_1.VOB"), QStringLiteral("VTS_01_2.VOB") } },
        { discImages().cdAudioCue, "*.cda",
            { QStringLiteral("Track01.cda"), QStringLiteral("Track02.cda") } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.toStdString() + " " + c.pattern);
        FileListModel list;
        list.setPattern(QString::fromLatin1(c.pattern));
        list.setPath(c.folder);
        EXPECT_EQ(list.entries(), c.entries);
        EXPECT_EQ(list.path(), QDir::cleanPath(c.folder));
        if (!c.entries.isEmpty()) {
            EXPECT_EQ(list.entryPathAt(0), QDir::cleanPath(c.folder) + u'/' + c.entries.at(0));
        }
    }
}

TEST_F(DiscFolderList, foldersThatAreNotOnADiscFailAndLeaveTheList)
{
    QTemporaryDir dir;
    FileListModel list;
    list.setPattern(QStringLiteral("*.dat"));
    list.setPath(discImages().vcdCue + QStringLiteral("/MPEGAV"));
    const QString broken = dir.filePath(QStringLiteral("broken.cue"));
    writeAll(broken, "FILE \"gone.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    for (const QString& bad : { discImages().vcdCue + QStringLiteral("/NOSUCH"),
             discImages().vcdCue + QStringLiteral("/MPEGAV/AVSEQ01.DAT"),
             discImages().cdAudioCue + QStringLiteral("/Track01.cda"),
             dir.filePath(QStringLiteral("gone.cue/MPEGAV")), broken }) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_THROW(list.setPath(bad), Failure);
        EXPECT_EQ(list.path(), discImages().vcdCue + QStringLiteral("/MPEGAV"));
        EXPECT_EQ(list.count(), 2);
    }
}

// A DVD's title file, the third .vob in name order as the disc probe takes it.
TEST_F(DiscFolderList, theThirdVobOfADvdImagePlays)
{
    FileListModel list;
    list.setPattern(QStringLiteral("*.dat;*.vob"));
    list.setPath(discImages().dvdIso + QStringLiteral("/VIDEO_TS"));
    list.select(2);
    EXPECT_EQ(list.currentPath(), discImages().dvdIso + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"));
    FilgraphManager graph;
    graph.RenderFile(list.currentPath());
    EXPECT_EQ(sourceFactory(graph), QStringLiteral("veltrindiscsrc"));
    EXPECT_NEAR(graph.Duration(), 3.0, 0.5);
    EXPECT_EQ(graph.Width(), 720);
    EXPECT_EQ(graph.Height(), 576);
    EXPECT_TRUE(graph.hasAudio());
    graph.setCurrentPosition(2.0);
    ASSERT_TRUE(waitFor([&] { return graph.state() == GST_STATE_PAUSED; }));
    graph.Run();
    EXPECT_TRUE(waitFor([&] { return graph.atEnd(); }, 10000));
}

} // namespace

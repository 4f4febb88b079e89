#include "engine/disc.h"
#include "engine/filgraphmanager.h"
#include "engine/gsthandle.h"
#include "support/discmedia.h"
#include "support/wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <random>

using namespace veltrin;
using test::discImages;
using test::readAll;
using test::waitFor;
using test::writeAll;

namespace {

const QByteArray kPackStart("\x00\x00\x01\xba", 4);
constexpr qint64 kForm2 = 2324;

// The whole file in reads of `chunk` bytes; nullopt when a read fails.
std::optional<QByteArray> readWhole(DiscFile& file, qint64 chunk = 65536)
{
    QByteArray out;
    while (quint64(out.size()) < file.size()) {
        const qsizetype at = out.size();
        out.resize(at + qsizetype(std::min<quint64>(quint64(chunk), file.size() - quint64(at))));
        const qint64 n = file.read(quint64(at), out.data() + at, out.size() - at);
        if (n <= 0)
            return std::nullopt;
        out.resize(at + n);
    }
    return out;
}

QStringList names(const QList<DiscEntry>& entries, bool folders)
{
    QStringList out;
    for (const DiscEntry& e : entries) {
        if (e.folder == folders)
            out.append(e.name);
    }
    out.sort();
    return out;
}

TEST(DiscReader, listsAVideoCdWithoutRegardToCase)
{
    const auto reader = openDisc(discImages().vcdCue);
    ASSERT_TRUE(reader);
    const auto root = reader->list(QString());
    ASSERT_TRUE(root.has_value());
    EXPECT_TRUE(names(*root, true).contains(QStringLiteral("MPEGAV")));
    EXPECT_TRUE(names(*root, true).contains(QStringLiteral("VCD")));

    for (const char* folder : { "MPEGAV", "mpegav", "/MpegAV/", "VCD/../MPEGAV" }) {
        SCOPED_TRACE(folder);
        const auto tracks = reader->list(QString::fromLatin1(folder));
        ASSERT_TRUE(tracks.has_value());
        EXPECT_EQ(names(*tracks, false),
            QStringList({ QStringLiteral("AVSEQ01.DAT"), QStringLiteral("AVSEQ02.DAT") }));
        for (const DiscEntry& e : *tracks) {
            // Form 2 payloads: whole sectors of 2,324 bytes, at least the MPEG file.
            EXPECT_EQ(e.size % kForm2, 0u);
            EXPECT_GE(e.size, quint64(QFileInfo(discImages().vcdTracks.at(0)).size()));
        }
    }
    EXPECT_TRUE(reader->open(QStringLiteral("mpegav/avseq01.dat")));
    EXPECT_FALSE(reader->open(QStringLiteral("MPEGAV"))); // a folder
    EXPECT_FALSE(reader->open(QStringLiteral("MPEGAV/AVSEQ03.DAT")));
    EXPECT_FALSE(reader->list(QStringLiteral("MPEGAV/AVSEQ01.DAT")).has_value());
    EXPECT_FALSE(reader->list(QStringLiteral("NOSUCH")).has_value());
}

// A .bin opened alone goes through the .cue of its name when there is one,
// and is read by its raw sectors when there is none.
QString binWithoutCue(const QString& dir)
{
    QFile::copy(discImages().vcdBin, dir + QStringLiteral("/films.bin"));
    return dir + QStringLiteral("/films.bin");
}

TEST(DiscReader, videoCdTracksHoldTheirMpegFromTheFirstPack)
{
    QTemporaryDir dir;
    for (const QString& source :
        { discImages().vcdCue, discImages().vcdBin, binWithoutCue(dir.path()) }) {
        SCOPED_TRACE(source.toStdString());
        const auto reader = openDisc(source);
        ASSERT_TRUE(reader);
        for (int track = 1; track <= 2; ++track) {
            SCOPED_TRACE(track);
            const auto file
                = reader->open(QStringLiteral("MPEGAV/AVSEQ%1.DAT").arg(track, 2, 10, QChar(u'0')));
            ASSERT_TRUE(file);
            const auto bytes = readWhole(*file);
            ASSERT_TRUE(bytes.has_value());
            const QByteArray mpeg = readAll(discImages().vcdTracks.at(track - 1));
            const qsizetype first = bytes->indexOf(kPackStart);
            ASSERT_GE(first, 0);
            // Before the first pack: the track's empty sectors, nothing of their headers.
            EXPECT_EQ(first % kForm2, 0);
            EXPECT_EQ(bytes->left(first).count('\0'), first);
            EXPECT_TRUE(bytes->mid(first).startsWith(mpeg));
            // Reads that start and end inside sectors give the same bytes.
            const auto odd = readWhole(*file, 4093);
            ASSERT_TRUE(odd.has_value());
            EXPECT_TRUE(*odd == *bytes);
        }
        // Ordinary (Form 1) files on the same disc read as 2,048-byte sectors.
        const auto info = reader->open(QStringLiteral("VCD/INFO.VCD"));
        ASSERT_TRUE(info);
        EXPECT_EQ(info->size(), 2048u);
        const auto text = readWhole(*info);
        ASSERT_TRUE(text.has_value());
        EXPECT_TRUE(text->startsWith("VIDEO_CD"));
    }
}

TEST(DiscReader, dvdImageFilesReadAsTheirSectors)
{
    const auto reader = openDisc(discImages().dvdIso);
    ASSERT_TRUE(reader);
    const auto folder = reader->list(QStringLiteral("VIDEO_TS"));
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(names(*folder, false),
        QStringList({ QStringLiteral("VIDEO_TS.IFO"), QStringLiteral("VIDEO_TS.VOB"),
            QStringLiteral("VTS_01_0.VOB"), QStringLiteral("VTS_01_1.VOB"),
            QStringLiteral("VTS_01_2.VOB") }));
    const QByteArray vob = readAll(discImages().dvdVob);
    const auto file = reader->open(QStringLiteral("video_ts/vts_01_1.vob"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), quint64(vob.size()));
    const auto bytes = readWhole(*file, 5000);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_TRUE(*bytes == vob);
}

TEST(DiscReader, listDiscFolderFollowsPathsIntoDiscs)
{
    const auto tracks = listDiscFolder(discImages().vcdBin + QStringLiteral("/mpegav"));
    ASSERT_TRUE(tracks.has_value());
    EXPECT_EQ(tracks->size(), 2);
    const auto root = listDiscFolder(discImages().dvdIso);
    ASSERT_TRUE(root.has_value());
    EXPECT_EQ(names(*root, true), QStringList { QStringLiteral("VIDEO_TS") });
    EXPECT_FALSE(listDiscFolder(discImages().dvdIso + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB")));
    EXPECT_FALSE(listDiscFolder(QFileInfo(discImages().dvdIso).absolutePath()));
}

// Damaged images: opening, listing or reading fails; nothing crashes or hangs.

// The offset of the ISO 9660 directory record of `name` in an image.
qsizetype recordOf(const QByteArray& image, const QByteArray& name)
{
    for (qsizetype at = image.indexOf(name); at >= 0; at = image.indexOf(name, at + 1)) {
        const qsizetype r = at - 33;
        if (r < 0 || uchar(image[at - 1]) != name.size() || uchar(image[r]) < 33 + name.size())
            continue;
        const auto* p = reinterpret_cast<const uchar*>(image.constData()) + r;
        if (qFromLittleEndian<quint32>(p + 2) == qFromBigEndian<quint32>(p + 6))
            return r;
    }
    ADD_FAILURE() << "no record of " << name.toStdString();
    return 0;
}

// Sets a both-endian 32-bit field: the extent at +2, the length at +10.
void setField(QByteArray& image, qsizetype at, quint32 value)
{
    qToLittleEndian(value, image.data() + at);
    qToBigEndian(value, image.data() + at + 4);
}

constexpr qsizetype kRootRecord = 16 * 2048 + 156;

QString patchedIso(const QString& dir, const std::function<void(QByteArray&)>& patch)
{
    QByteArray image = readAll(discImages().dvdIso);
    patch(image);
    const QString path = dir + QStringLiteral("/patched.iso");
    writeAll(path, image);
    return path;
}

QString randomFile(const QString& dir, const char* name, int size)
{
    std::mt19937 random(size);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = char(random());
    const QString path = dir + u'/' + QLatin1String(name);
    writeAll(path, bytes);
    return path;
}

struct DamageCase {
    const char* name;
    std::function<QString(const QString& dir)> make; // the source to open
    // Checks what fails; not called when opening is to fail.
    std::function<void(DiscReader&)> check;
};

class DamagedDisc : public ::testing::TestWithParam<DamageCase> { };

TEST_P(DamagedDisc, failsCleanly)
{
    QTemporaryDir dir;
    const DamageCase& c = GetParam();
    const auto reader = openDisc(c.make(dir.path()));
    if (!c.check) {
        EXPECT_FALSE(reader);
        return;
    }
    ASSERT_TRUE(reader);
    c.check(*reader);
}

void readFails(DiscReader& reader, const char* path)
{
    const auto file = reader.open(QString::fromLatin1(path));
    ASSERT_TRUE(file);
    EXPECT_FALSE(readWhole(*file).has_value());
}

const DamageCase kDamage[] = {
    { "cue_naming_a_missing_bin",
        [](const QString& dir) {
            const QString cue = dir + QStringLiteral("/gone.cue");
            writeAll(
                cue, "FILE \"gone.bin\" BINARY\n  TRACK 01 MODE2/2352\n    INDEX 01 00:00:00\n");
            return cue;
        },
        nullptr },
    { "cue_of_random_bytes", [](const QString& d) { return randomFile(d, "r.cue", 4000); },
        nullptr },
    { "iso_of_random_bytes", [](const QString& d) { return randomFile(d, "r.iso", 100000); },
        nullptr },
    { "bin_of_random_bytes", [](const QString& d) { return randomFile(d, "r.bin", 100000); },
        nullptr },
    { "nrg_of_random_bytes", [](const QString& d) { return randomFile(d, "r.nrg", 100000); },
        nullptr },
    { "toc_of_random_bytes", [](const QString& d) { return randomFile(d, "r.toc", 3000); },
        nullptr },
    { "empty_iso", [](const QString& d) { return randomFile(d, "e.iso", 0); }, nullptr },
    { "bin_cut_inside_track_one",
        [](const QString& dir) {
            writeAll(
                dir + QStringLiteral("/vcd.bin"), readAll(discImages().vcdBin).left(700 * 2352));
            QFile::copy(discImages().vcdCue, dir + QStringLiteral("/vcd.cue"));
            return dir + QStringLiteral("/vcd.cue");
        },
        [](DiscReader& r) {
            EXPECT_TRUE(r.list(QStringLiteral("MPEGAV")).has_value());
            readFails(r, "MPEGAV/AVSEQ01.DAT");
            EXPECT_FALSE(r.open(QStringLiteral("MPEGAV/AVSEQ02.DAT"))); // starts past the cut
        } },
    { "root_outside_the_image",
        [](const QString& d) {
            return patchedIso(d, [](QByteArray& i) { setField(i, kRootRecord + 2, 0x7ffffff0); });
        },
        [](DiscReader& r) { EXPECT_FALSE(r.list(QString()).has_value()); } },
    { "folder_outside_the_image",
        [](const QString& d) {
            return patchedIso(
                d, [](QByteArray& i) { setField(i, recordOf(i, "VIDEO_TS") + 2, 0xfffffff0); });
        },
        [](DiscReader& r) {
            EXPECT_TRUE(r.list(QString()).has_value());
            EXPECT_FALSE(r.list(QStringLiteral("VIDEO_TS")).has_value());
            EXPECT_FALSE(r.open(QStringLiteral("VIDEO_TS/VTS_01_1.VOB")));
        } },
    { "folder_of_four_gigabytes",
        [](const QString& d) {
            return patchedIso(
                d, [](QByteArray& i) { setField(i, recordOf(i, "VIDEO_TS") + 10, 0xfffff800); });
        },
        [](DiscReader& r) { EXPECT_FALSE(r.list(QStringLiteral("VIDEO_TS")).has_value()); } },
    { "folder_pointing_at_its_parent",
        [](const QString& d) {
            return patchedIso(d, [](QByteArray& i) {
                const qsizetype rec = recordOf(i, "VIDEO_TS");
                i.replace(rec + 2, 16, i.mid(kRootRecord + 2, 16)); // extent and length
            });
        },
        [](DiscReader& r) {
            const auto loop = r.list(QStringLiteral("VIDEO_TS/VIDEO_TS/VIDEO_TS"));
            ASSERT_TRUE(loop.has_value());
            EXPECT_EQ(names(*loop, true), QStringList { QStringLiteral("VIDEO_TS") });
            QStringList deep;
            for (int i = 0; i < 40; ++i)
                deep.append(QStringLiteral("VIDEO_TS"));
            EXPECT_FALSE(r.list(deep.join(u'/')).has_value());
        } },
    { "file_outside_the_image",
        [](const QString& d) {
            return patchedIso(d,
                [](QByteArray& i) { setField(i, recordOf(i, "VTS_01_1.VOB;1") + 2, 0x00fffff0); });
        },
        [](DiscReader& r) { EXPECT_FALSE(r.open(QStringLiteral("VIDEO_TS/VTS_01_1.VOB"))); } },
    { "file_running_past_the_end",
        [](const QString& d) {
            return patchedIso(d,
                [](QByteArray& i) { setField(i, recordOf(i, "VTS_01_1.VOB;1") + 10, 0xfffff000); });
        },
        [](DiscReader& r) { readFails(r, "VIDEO_TS/VTS_01_1.VOB"); } },
};

INSTANTIATE_TEST_SUITE_P(Images, DamagedDisc, ::testing::ValuesIn(kDamage),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiscUri, roundTripsAnyLocalPath)
{
    for (const char* source : { "/x/films.cue", "/home/a b/50% #1?.bin", "/dev/sr0",
             "/tmp/\xc3\xa9t\xc3\xa9/d.iso", "relative/d.iso" }) {
        SCOPED_TRACE(source);
        const QString s = QString::fromUtf8(source);
        const QString uri = discUri(s, QStringLiteral("Mpegav/AV SEQ%01.DAT"));
        EXPECT_TRUE(uri.startsWith(QStringLiteral("veltrin-disc://")));
        EXPECT_TRUE(gst_uri_is_valid(uri.toUtf8().constData()));
        const auto back = parseDiscUri(uri);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->container, s);
        EXPECT_EQ(back->inner, QStringLiteral("Mpegav/AV SEQ%01.DAT"));
    }
    for (const char* bad : { "file:///x/films.cue/A", "veltrin-disc://", "veltrin-disc:///A",
             "veltrin-disc://%2Fx%00.iso/A", "veltrin-disc://%2Fx.iso/A%2FB",
             "veltrin-disc://%2Fx.iso/\xc3\xa9" }) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseDiscUri(QString::fromUtf8(bad)).has_value());
    }
    EXPECT_FALSE(discUriForPath(discImages().vcdCue).has_value()); // the disc, not a file on it
    EXPECT_FALSE(discUriForPath(discImages().vcdTracks.at(0)).has_value());
    EXPECT_EQ(discUriForPath(discImages().vcdCue + QStringLiteral("/MPEGAV/./AVSEQ01.DAT")),
        discUri(discImages().vcdCue, QStringLiteral("MPEGAV/AVSEQ01.DAT")));
}

// A file on a disc the desktop mounted that the kernel cannot read (here:
// none there) is read from its drive, for which an image stands in; only
// ISO 9660 mounts count, and the deepest one holding the path.
TEST(DiscUri, pathsOnMountedDiscsLeadToTheirDrive)
{
    QTemporaryDir dir;
    const QString mnt = dir.filePath(QStringLiteral("my disc"));
    const QString table = dir.filePath(QStringLiteral("mounts"));
    writeAll(table,
        QFile::encodeName(QStringLiteral("%1 %2 iso9660 ro 0 0\n"
                                         "%3 %4 iso9660 ro 0 0\n"
                                         "%3 /udf-mnt udf ro 0 0\n"
                                         "/dev/sda1 /data-mnt iso9660 ro 0 0\n")
                              .arg(discImages().dvdIso, dir.path(), discImages().vcdCue,
                                  QString(mnt).replace(u' ', QStringLiteral("\\040")))));
    EXPECT_EQ(discUriForPath(mnt + QStringLiteral("/MPEGAV//AVSEQ01.DAT"), table),
        discUri(discImages().vcdCue, QStringLiteral("MPEGAV/AVSEQ01.DAT")));
    EXPECT_EQ(discUriForPath(dir.filePath(QStringLiteral("my disc2/A.DAT")), table),
        discUri(discImages().dvdIso, QStringLiteral("my disc2/A.DAT")));
    EXPECT_FALSE(discUriForPath(dir.path() + u'/', table).has_value()); // the disc itself
    // A file the kernel reads stays with it.
    const QString readable = dir.filePath(QStringLiteral("README.TXT"));
    writeAll(readable, QByteArray(3000, 'r'));
    EXPECT_FALSE(discUriForPath(readable, table).has_value());
    EXPECT_FALSE(discUriForPath(QStringLiteral("/udf-mnt/MPEGAV/AVSEQ01.DAT"), table));
    EXPECT_FALSE(discUriForPath(QStringLiteral("/data-mnt/MPEGAV/AVSEQ01.DAT"), table));
}

// The source element alone: what it streams, and how it ends.
struct StreamCase {
    const char* name;
    std::function<QString(const QString& dir)> uri;
    int track; // whose MPEG file the stream holds; 0: the stream ends in an error
};

class DiscSource : public ::testing::TestWithParam<StreamCase> { };

TEST_P(DiscSource, streamsAFileOrEndsInAnError)
{
    QTemporaryDir dir;
    const StreamCase& c = GetParam();
    GError* error = nullptr;
    ElementHandle src = ElementHandle::adopt(gst_element_make_from_uri(
        GST_URI_SRC, c.uri(dir.path()).toUtf8().constData(), nullptr, &error));
    g_clear_error(&error);
    ASSERT_TRUE(src);
    gst_object_ref_sink(src.get());
    EXPECT_STREQ(GST_OBJECT_NAME(gst_element_get_factory(src.get())), "veltrindiscsrc");

    ElementHandle pipeline = ElementHandle::adopt(gst_pipeline_new(nullptr));
    gst_object_ref_sink(pipeline.get());
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    // The bin takes a reference of its own to the source, and the sink's.
    gst_bin_add_many(GST_BIN(pipeline.get()), src.get(), sink, nullptr);
    ASSERT_TRUE(gst_element_link(src.get(), sink));
    struct Collected {
        std::mutex mutex;
        QByteArray bytes;
    } collected;
    PadHandle pad = PadHandle::adopt(gst_element_get_static_pad(sink, "sink"));
    gst_pad_add_probe(
        pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            auto* c = static_cast<Collected*>(data);
            GstMapInfo map;
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
                std::lock_guard lock(c->mutex);
                c->bytes.append(reinterpret_cast<const char*>(map.data), qsizetype(map.size));
                gst_buffer_unmap(buffer, &map);
            }
            return GST_PAD_PROBE_OK;
        },
        &collected, nullptr);

    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    BusHandle bus = BusHandle::adopt(gst_element_get_bus(pipeline.get()));
    MessageHandle end = MessageHandle::adopt(gst_bus_timed_pop_filtered(bus.get(), 20 * GST_SECOND,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    ASSERT_TRUE(end);
    if (c.track == 0) {
        EXPECT_EQ(GST_MESSAGE_TYPE(end.get()), GST_MESSAGE_ERROR);
        return;
    }
    EXPECT_EQ(GST_MESSAGE_TYPE(end.get()), GST_MESSAGE_EOS);
    const QByteArray mpeg = readAll(discImages().vcdTracks.at(c.track - 1));
    // The track's empty sectors before its first pack are left out: the
    // stream starts with the MPEG file given to vcdimager.
    EXPECT_EQ(collected.bytes.indexOf(kPackStart), 0);
    EXPECT_TRUE(collected.bytes.startsWith(mpeg));
    EXPECT_EQ(collected.bytes.size() % kForm2, 0);
}

const StreamCase kStreams[] = {
    { "second_track",
        [](const QString&) {
            return discUri(discImages().vcdCue, QStringLiteral("MPEGAV/AVSEQ02.DAT"));
        },
        2 },
    { "cut_image",
        [](const QString& dir) {
            writeAll(
                dir + QStringLiteral("/vcd.bin"), readAll(discImages().vcdBin).left(700 * 2352));
            QFile::copy(discImages().vcdCue, dir + QStringLiteral("/vcd.cue"));
            return discUri(dir + QStringLiteral("/vcd.cue"), QStringLiteral("MPEGAV/AVSEQ01.DAT"));
        },
        0 },
    { "no_such_file",
        [](const QString&) {
            return discUri(discImages().vcdCue, QStringLiteral("MPEGAV/AVSEQ09.DAT"));
        },
        0 },
    { "no_such_disc",
        [](const QString& dir) {
            return discUri(dir + QStringLiteral("/none.cue"), QStringLiteral("A"));
        },
        0 },
};

INSTANTIATE_TEST_SUITE_P(Uris, DiscSource, ::testing::ValuesIn(kStreams),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiscPlayback, aVideoCdTrackInAnImagePlaysAndSeeks)
{
    FilgraphManager graph;
    graph.RenderFile(discImages().vcdCue + QStringLiteral("/mpegav/avseq01.dat"));
    GstElement* raw = nullptr;
    g_object_get(graph.pipeline(), "source", &raw, nullptr);
    ElementHandle source = ElementHandle::adopt(raw);
    ASSERT_TRUE(source);
    EXPECT_STREQ(GST_OBJECT_NAME(gst_element_get_factory(source.get())), "veltrindiscsrc");
    EXPECT_NEAR(graph.Duration(), 5.0, 0.5);
    EXPECT_EQ(graph.Width(), 352);
    EXPECT_EQ(graph.Height(), 288);
    EXPECT_TRUE(graph.hasAudio());

    graph.setCurrentPosition(2.0);
    ASSERT_TRUE(waitFor([&] { return graph.state() == GST_STATE_PAUSED; }));
    EXPECT_NEAR(graph.CurrentPosition(), 2.0, 0.5);
    graph.Run();
    ASSERT_TRUE(waitFor([&] { return graph.CurrentPosition() >= 2.6; }, 5000));
    EXPECT_TRUE(waitFor([&] { return graph.atEnd(); }, 10000));
}

} // namespace

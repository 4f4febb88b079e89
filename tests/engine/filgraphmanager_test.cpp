#include "engine/filgraphmanager.h"
#include "engine/videowidget.h"
#include "runtime/steps.h"
#include "support/glib_log.h"
#include "support/media.h"
#include "support/wait.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QSet>
#include <QTemporaryDir>
#include <QWidget>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

struct ContainerCase {
    Clip clip;
    const char* fileName; // as a user would have it, upper case for Video CD tracks
};

class EveryContainer : public ::testing::TestWithParam<ContainerCase> { };

TEST_P(EveryContainer, rendersAndReportsDurationAndNativeSize)
{
    QTemporaryDir dir;
    const auto param = GetParam();
    const QString path
        = test::copyClip(param.clip, dir.path(), QString::fromLatin1(param.fileName));
    FilgraphManager graph;
    graph.RenderFile(path);
    EXPECT_NEAR(graph.Duration(), 3.0, 0.3);
    const QSize native = test::clipInfo(param.clip).videoSize;
    if (native.isEmpty()) {
        EXPECT_FALSE(graph.hasVideo());
        EXPECT_THROW(graph.Width(), Failure);
        EXPECT_THROW(graph.setOwner(nullptr), Failure);
    } else {
        EXPECT_EQ(graph.Width(), native.width());
        EXPECT_EQ(graph.Height(), native.height());
    }
    EXPECT_TRUE(graph.hasAudio());
}

INSTANTIATE_TEST_SUITE_P(Containers, EveryContainer,
    ::testing::Values(ContainerCase { Clip::VcdDat, "AVSEQ01.DAT" },
        ContainerCase { Clip::Vob, "VTS_01_1.VOB" }, ContainerCase { Clip::Mpg, "clip.mpg" },
        ContainerCase { Clip::Mpg, "clip.mpeg" }, ContainerCase { Clip::Avi, "clip.avi" },
        ContainerCase { Clip::Mp3, "song.mp3" }, ContainerCase { Clip::Asf, "clip.asf" },
        ContainerCase { Clip::Asf, "clip.wm" }, ContainerCase { Clip::Asf, "clip.wmv" },
        ContainerCase { Clip::Wma, "song.wma" }, ContainerCase { Clip::Mov, "clip.qt" },
        ContainerCase { Clip::Mp4, "clip.mp4" }),
    [](const auto& info) {
        std::string n = info.param.fileName;
        for (char& c : n)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

TEST(FilgraphManager, badSourcesFailWithinTheBound)
{
    QTemporaryDir dir;
    const QString zero = dir.filePath(QStringLiteral("zero.mp4"));
    QFile(zero).open(QIODevice::WriteOnly);
    const QString text = dir.filePath(QStringLiteral("notes.avi"));
    {
        QFile f(text);
        f.open(QIODevice::WriteOnly);
        f.write("this is not a video, just some text\n");
    }
    const QString truncated = dir.filePath(QStringLiteral("cut.mp4"));
    {
        QFile src(test::clipPath(Clip::Mp4));
        src.open(QIODevice::ReadOnly);
        QFile dst(truncated);
        dst.open(QIODevice::WriteOnly);
        dst.write(src.read(src.size() / 3));
    }
    const QString fifo = dir.filePath(QStringLiteral("pipe.mpg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    for (const QString& path : { dir.filePath(QStringLiteral("missing.mpg")), dir.path(), zero,
             text, fifo, QStringLiteral("/dev/zero"), QStringLiteral("/dev/null") }) {
        QElapsedTimer clock;
        clock.start();
        FilgraphManager graph;
        EXPECT_THROW(graph.RenderFile(path), Failure) << path.toStdString();
        EXPECT_LT(clock.elapsed(), FilgraphManager::kPrerollTimeout.count() + 1000)
            << path.toStdString();
        // An empty graph reports no length and refuses what needs media.
        EXPECT_EQ(graph.Duration(), 0.0);
        EXPECT_THROW(graph.setCurrentPosition(1), Failure);
        EXPECT_THROW(graph.setVolume(0), Failure);
    }
    // A cut file may still preroll; whatever it does, it must end in bounded time.
    QElapsedTimer clock;
    clock.start();
    FilgraphManager graph;
    skipOnFailure([&] { graph.RenderFile(truncated); });
    EXPECT_LT(clock.elapsed(), FilgraphManager::kPrerollTimeout.count() + 1000);
}

TEST(FilgraphManager, uriLookingNamesAreFilePaths)
{
    QTemporaryDir dir;
    // A name that would mean something else as a URI is still just a file.
    const QString odd = test::copyClip(Clip::Mpg, dir.path(), QStringLiteral("a #1 %20 ?.mpg"));
    FilgraphManager graph;
    graph.RenderFile(odd);
    EXPECT_TRUE(graph.isRendered());
}

TEST(FilgraphManager, positionStaysAtDurationAfterTheEnd)
{
    FilgraphManager graph;
    graph.RenderFile(test::clipPath(Clip::Mp4, 1));
    graph.Run();
    ASSERT_TRUE(waitFor([&] { return graph.atEnd(); }, 8000));
    const double d = graph.Duration();
    EXPECT_DOUBLE_EQ(graph.CurrentPosition(), d);
    QTest::qWait(100);
    EXPECT_DOUBLE_EQ(graph.CurrentPosition(), d);
    // Rewinding leaves the end.
    graph.setCurrentPosition(0);
    EXPECT_FALSE(graph.atEnd());
    EXPECT_LT(graph.CurrentPosition(), 0.5);
}

// The position comes from the sink that plays: the sound's when there is
// one, the picture's otherwise. After a seek it is the place in the file,
// not the time played since.
TEST(FilgraphManager, positionIsTheFilePlaceWithAndWithoutSound)
{
    for (Clip kind : { Clip::Mp3, Clip::SilentMp4, Clip::Mp4 }) {
        SCOPED_TRACE(static_cast<int>(kind));
        FilgraphManager graph;
        graph.RenderFile(test::clipPath(kind, 6));
        EXPECT_EQ(graph.hasAudio(), kind != Clip::SilentMp4);
        graph.Run();
        ASSERT_TRUE(waitFor([&] { return graph.CurrentPosition() >= 0.5; }, 5000));
        graph.setCurrentPosition(4.0);
        ASSERT_TRUE(waitFor([&] { return graph.CurrentPosition() >= 4.3; }, 5000));
        EXPECT_LT(graph.CurrentPosition(), graph.Duration());
        graph.Pause();
        ASSERT_TRUE(waitFor([&] { return graph.state() == GST_STATE_PAUSED; }));
        const double held = graph.CurrentPosition();
        EXPECT_GE(held, 4.3);
        QTest::qWait(200);
        EXPECT_NEAR(graph.CurrentPosition(), held, 0.05);
    }
}

namespace {

std::vector<ElementHandle> decoders(GstElement* pipeline)
{
    std::vector<ElementHandle> found;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* f = gst_element_get_factory(element);
        if (f && gst_element_factory_list_is_type(f, GST_ELEMENT_FACTORY_TYPE_DECODER))
            found.push_back(ElementHandle::ref(element));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

QStringList decoderFactories(GstElement* pipeline)
{
    QStringList names;
    for (const ElementHandle& decoder : decoders(pipeline))
        names << QString::fromUtf8(GST_OBJECT_NAME(gst_element_get_factory(decoder.get())));
    return names;
}

// The thread count the graph's libav video decoder was given; -1 without one.
int libavVideoThreads(GstElement* pipeline)
{
    for (const ElementHandle& decoder : decoders(pipeline)) {
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(decoder.get()), "max-threads")) {
            int threads = -1;
            g_object_get(decoder.get(), "max-threads", &threads, nullptr);
            return threads;
        }
    }
    return -1;
}

} // namespace

// Video CD, DVD and MP3 files are decoded without libav when the small
// decoders are installed.
TEST(FilgraphManager, mpegFilesUseTheSmallDecoders)
{
    const bool small = gst_registry_check_feature_version(gst_registry_get(), "mpeg2dec", 1, 0, 0)
        && gst_registry_check_feature_version(gst_registry_get(), "mpg123audiodec", 1, 0, 0);
    if (!small)
        GTEST_SKIP() << "mpeg2dec or mpg123audiodec not installed";
    for (Clip kind : { Clip::VcdDat, Clip::Vob, Clip::Mp3 }) {
        FilgraphManager graph;
        graph.RenderFile(test::clipPath(kind, 1));
        const QStringList decoders = decoderFactories(graph.pipeline());
        SCOPED_TRACE(decoders.join(u' ').toStdString());
        EXPECT_FALSE(decoders.isEmpty());
        EXPECT_TRUE(decoders.filter(QStringLiteral("avdec_")).isEmpty());
        EXPECT_EQ(decoders.contains(QStringLiteral("mpeg2dec")), kind != Clip::Mp3);
    }
}

// Pictures up to 1080p at 30 frames a second are decoded on one thread;
// bigger or faster ones keep libav's own count. The count must be set
// before the decoder opens, or it is ignored.
TEST(FilgraphManager, libavDecodesUpTo1080p30OnOneThread)
{
    if (!gst_registry_check_feature_version(gst_registry_get(), "avdec_h264", 1, 0, 0))
        GTEST_SKIP() << "avdec_h264 not installed";
    QTemporaryDir dir;
    const auto h264 = [&](const char* name, const char* size, const char* rate) {
        return test::reencodeClip(Clip::Mp4, dir.path(), QString::fromLatin1(name),
            { QStringLiteral("-t"), QStringLiteral("0.5"), QStringLiteral("-s"),
                QString::fromLatin1(size), QStringLiteral("-r"), QString::fromLatin1(rate),
                QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
                QStringLiteral("ultrafast") });
    };
    const struct {
        QString path;
        int threads;
    } cases[] = {
        { test::clipPath(Clip::Mp4, 1), 1 },
        { h264("hd30.mp4", "1920x1080", "30"), 1 },
        { h264("hd60.mp4", "1920x1080", "60"), 0 },
        { h264("qhd25.mp4", "2560x1440", "25"), 0 },
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.path.isEmpty());
        SCOPED_TRACE(c.path.toStdString());
        FilgraphManager graph;
        graph.RenderFile(c.path);
        EXPECT_EQ(libavVideoThreads(graph.pipeline()), c.threads);
        graph.Run();
        EXPECT_TRUE(waitFor([&] { return graph.CurrentPosition() > 0.1; }));
    }
}

namespace {

// How far the stream moves per second of the pipeline's running time (its
// clock since it last started), over a second of stream. Both come from the
// pipeline's clock, so a loaded machine does not change the answer.
double streamSpeed(FilgraphManager& graph)
{
    // Past the start, where the running time may still be reset by a seek.
    const double settled = graph.CurrentPosition() + 0.2;
    if (!waitFor([&] { return graph.CurrentPosition() >= settled; }, 6000))
        return 0.0;
    const double fromPosition = graph.CurrentPosition();
    const GstClockTime fromTime = gst_element_get_current_running_time(graph.pipeline());
    if (!waitFor([&] { return graph.CurrentPosition() >= fromPosition + 1.0; }, 6000))
        return 0.0;
    const double toPosition = graph.CurrentPosition();
    const GstClockTime toTime = gst_element_get_current_running_time(graph.pipeline());
    if (!GST_CLOCK_TIME_IS_VALID(fromTime) || !GST_CLOCK_TIME_IS_VALID(toTime)
        || toTime <= fromTime)
        return 0.0;
    return (toPosition - fromPosition) / (static_cast<double>(toTime - fromTime) / GST_SECOND);
}

} // namespace

TEST(FilgraphManager, rateChangesKeepThePosition)
{
    FilgraphManager graph;
    graph.RenderFile(test::clipPath(Clip::Mp4, 8));
    graph.setCurrentPosition(2.0);
    ASSERT_TRUE(waitFor([&] { return graph.state() == GST_STATE_PAUSED; }));
    graph.setRate(2.0);
    EXPECT_NEAR(graph.CurrentPosition(), 2.0, 0.2);
    EXPECT_EQ(graph.rate(), 2.0);
    graph.Run();
    // Twice as far as the pipeline's clock moves.
    EXPECT_NEAR(streamSpeed(graph), 2.0, 0.3);
    graph.Pause();
    ASSERT_TRUE(waitFor([&] { return graph.state() == GST_STATE_PAUSED; }));
    const double paused = graph.CurrentPosition();
    graph.setRate(1.0);
    EXPECT_NEAR(graph.CurrentPosition(), paused, 0.2);
    EXPECT_EQ(graph.rate(), 1.0);
    graph.Run();
    EXPECT_NEAR(streamSpeed(graph), 1.0, 0.15);
}

TEST(FilgraphManager, volumeAndBalanceInHundredthsOfADecibel)
{
    FilgraphManager graph;
    graph.RenderFile(test::clipPath(Clip::Mp3));
    graph.setVolume(0);
    EXPECT_NEAR(graph.volumeGain(), 1.0, 1e-6);
    graph.setVolume(-2000); // -20 dB
    EXPECT_NEAR(graph.volumeGain(), 0.1, 1e-6);
    graph.setVolume(-5000);
    EXPECT_NEAR(graph.volumeGain(), std::pow(10.0, -2.5), 1e-6);
    EXPECT_THROW(graph.setVolume(1), Failure);
    EXPECT_THROW(graph.setVolume(-10001), Failure);

    graph.setBalance(0);
    EXPECT_NEAR(graph.panorama(), 0.0, 1e-6);
    graph.setBalance(2000); // left channel 20 dB down
    EXPECT_NEAR(graph.panorama(), 0.9, 1e-6);
    graph.setBalance(-600); // right channel 6 dB down
    EXPECT_NEAR(graph.panorama(), -(1.0 - std::pow(10.0, -0.3)), 1e-6);
    EXPECT_THROW(graph.setBalance(10001), Failure);
    EXPECT_NEAR(graph.panorama(), -(1.0 - std::pow(10.0, -0.3)), 1e-6);
}

TEST(FilgraphManager, audioCallsFailWithoutAnAudioStream)
{
    QTemporaryDir dir;
    const QString silent = test::reencodeClip(Clip::Mp4, dir.path(), QStringLiteral("silent.mp4"),
        { QStringLiteral("-an"), QStringLiteral("-c"), QStringLiteral("copy") });
    ASSERT_FALSE(silent.isEmpty());
    FilgraphManager graph;
    graph.RenderFile(silent);
    EXPECT_TRUE(graph.hasVideo());
    EXPECT_THROW(graph.setVolume(0), Failure);
    EXPECT_THROW(graph.setBalance(0), Failure);
}

namespace {

// Distinct colours across the middle row: a picture, not a blank.
int coloursAcross(const QImage& frame)
{
    QSet<QRgb> colours;
    for (int x = 0; x < frame.width(); x += 4)
        colours.insert(frame.pixel(x, frame.height() / 2));
    return static_cast<int>(colours.size());
}

// A clip playing in a shown window, its video window at the window's origin.
struct PlayingInWindow {
    QWidget owner;
    FilgraphManager graph;

    explicit PlayingInWindow(const QString& clip)
    {
        owner.resize(900, 700);
        owner.show();
        graph.RenderFile(clip);
        graph.setOwner(&owner);
        graph.Run();
    }

    // Gives the video window this size and returns the first frame made at
    // it; a null image when none comes.
    QImage frameAt(QSize size)
    {
        VideoWidget* video = graph.videoWidget();
        if (!video)
            return {};
        graph.SetWindowPosition(0, 0, size.width(), size.height());
        if (!waitFor([&] { return video->currentFrame().size() == size; }, 5000))
            return {};
        return video->currentFrame();
    }
};

// The player's order at start-up: render, give the video its owner and its
// place inside it, run.
VideoWidget* placeAndRun(FilgraphManager& graph, QWidget& owner, QRect place)
{
    graph.RenderFile(test::clipPath(Clip::Mpg));
    graph.setOwner(&owner);
    graph.SetWindowPosition(place.x(), place.y(), place.width(), place.height());
    graph.Run();
    return graph.videoWidget();
}

// Counts the flushes that reach the video sink: one per seek carried out.
class FlushCounter {
public:
    explicit FlushCounter(FilgraphManager& graph)
    {
        if (!graph.videoSink())
            return;
        m_pad = PadHandle::adopt(gst_element_get_static_pad(graph.videoSink(), "sink"));
        m_probe = gst_pad_add_probe(
            m_pad.get(), GST_PAD_PROBE_TYPE_EVENT_FLUSH,
            [](GstPad*, GstPadProbeInfo* info, gpointer count) {
                if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP)
                    ++*static_cast<std::atomic<int>*>(count);
                return GST_PAD_PROBE_OK;
            },
            &m_count, nullptr);
    }
    ~FlushCounter()
    {
        if (m_pad)
            gst_pad_remove_probe(m_pad.get(), m_probe);
    }
    FlushCounter(const FlushCounter&) = delete;
    FlushCounter& operator=(const FlushCounter&) = delete;

    bool attached() const { return static_cast<bool>(m_pad); }
    int count() const { return m_count; }

private:
    PadHandle m_pad;
    gulong m_probe = 0;
    std::atomic<int> m_count { 0 };
};

} // namespace

TEST(FilgraphManager, framesReachTheVideoWindowAtItsSize)
{
    const int criticalsBefore = test::criticalsLogged();
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    FilgraphManager graph;
    VideoWidget* video = placeAndRun(graph, owner, QRect(10, 20, 200, 150));
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->parentWidget(), &owner);
    EXPECT_EQ(video->geometry(), QRect(10, 20, 200, 150));
    ASSERT_TRUE(waitFor([&] { return video->currentFrame().size() == QSize(200, 150); }, 5000));
    ASSERT_TRUE(waitFor([&] { return video->framesPainted() > 3; }, 5000));
    // The test picture is colourful: the frame is not a blank.
    EXPECT_GT(coloursAcross(video->grab().toImage()), 4);

    // The painter may still hold the frame on screen when the user seeks
    // while playing; the frames after the seek must come as cleanly.
    for (const double to : { 0.2, 1.5, 0.0 }) {
        SCOPED_TRACE(to);
        const SampleHandle held = graph.frameSlot()->peek();
        ASSERT_TRUE(held);
        const int painted = video->framesPainted();
        graph.setCurrentPosition(to);
        ASSERT_TRUE(waitFor([&] { return video->framesPainted() > painted + 3; }, 5000));
        EXPECT_EQ(video->currentFrame().size(), QSize(200, 150));
    }
    EXPECT_EQ(test::criticalsLogged(), criticalsBefore);
}

// At start-up the player places the video and runs it before its window is
// shown: the frames must already be made for that place, not for the size
// the video window had while it waited.
TEST(FilgraphManager, framesTakeTheirPlaceBeforeTheWindowShows)
{
    QWidget owner;
    owner.resize(400, 300);
    FilgraphManager graph;
    VideoWidget* video = placeAndRun(graph, owner, QRect(10, 20, 200, 150));
    ASSERT_NE(video, nullptr);
    EXPECT_FALSE(owner.isVisible());
    ASSERT_TRUE(waitFor([&] { return video->currentFrame().size() == QSize(200, 150); }, 5000));
    EXPECT_GT(coloursAcross(video->currentFrame()), 4);
}

// The rewind after Run is the only seek at start-up: placing the video while
// the graph goes to playing must not seek again (that decodes the first
// pictures twice and holds back the first one). A paused picture has to be
// made again, by a seek, to be drawn at a new size.
TEST(FilgraphManager, aNewPlaceSeeksOnlyWhilePaused)
{
    QWidget owner;
    owner.resize(400, 300);
    FilgraphManager graph;
    VideoWidget* video = placeAndRun(graph, owner, QRect(10, 20, 200, 150));
    ASSERT_NE(video, nullptr);
    FlushCounter flushes(graph);
    ASSERT_TRUE(flushes.attached());
    graph.setCurrentPosition(0);
    ASSERT_TRUE(waitFor([&] {
        return graph.state() == GST_STATE_PLAYING
            && video->currentFrame().size() == QSize(200, 150);
    }));
    EXPECT_EQ(flushes.count(), 1);

    graph.Pause();
    ASSERT_TRUE(waitFor([&] { return graph.state() == GST_STATE_PAUSED; }));
    graph.SetWindowPosition(10, 20, 120, 90);
    ASSERT_TRUE(waitFor([&] { return video->currentFrame().size() == QSize(120, 90); }));
    EXPECT_EQ(flushes.count(), 2);
    EXPECT_EQ(graph.state(), GST_STATE_PAUSED);
}

// Which element scales depends on how far the picture shrinks; every change
// of the window must still bring pictures of its new size, also from an
// interlaced source, which is deinterlaced on the way.
TEST(FilgraphManager, framesFollowTheWindowWhetherItShrinksOrGrows)
{
    QTemporaryDir dir;
    const QString interlaced
        = test::reencodeClip(Clip::Vob, dir.path(), QStringLiteral("interlaced.mpg"),
            { QStringLiteral("-c:v"), QStringLiteral("mpeg2video"), QStringLiteral("-flags"),
                QStringLiteral("+ilme+ildct"), QStringLiteral("-top"), QStringLiteral("1"),
                QStringLiteral("-c:a"), QStringLiteral("copy"), QStringLiteral("-f"),
                QStringLiteral("vob") });
    ASSERT_FALSE(interlaced.isEmpty());

    for (const QString& clip : { test::clipPath(Clip::Vob), interlaced }) {
        SCOPED_TRACE(clip.toStdString());
        PlayingInWindow playing(clip);
        ASSERT_NE(playing.graph.videoWidget(), nullptr);
        // 720x576: a little smaller, far smaller, larger, and back.
        for (const QSize size :
            { QSize(480, 384), QSize(160, 128), QSize(840, 672), QSize(90, 72), QSize(720, 576) }) {
            SCOPED_TRACE(
                QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
            const QImage frame = playing.frameAt(size);
            ASSERT_EQ(frame.size(), size);
            EXPECT_GT(coloursAcross(frame), 4);
        }
    }
}

// Joined MPEG files (a disc's titles, a cut recording) change picture size
// where they join. The chain converts before it scales when the window is
// larger than the picture, and converts at whatever size arrives: frames of
// the window's size must go on past the join, whether it grows or shrinks.
TEST(FilgraphManager, aPictureSizeChangeMidStreamKeepsFillingTheWindow)
{
    QTemporaryDir dir;
    const QStringList mpeg2
        = { QStringLiteral("-c:v"), QStringLiteral("mpeg2video"), QStringLiteral("-c:a"),
              QStringLiteral("copy"), QStringLiteral("-f"), QStringLiteral("vob") };
    const QString small = test::reencodeClip(Clip::Vob, dir.path(), QStringLiteral("small.mpg"),
        QStringList { QStringLiteral("-vf"), QStringLiteral("scale=352:288") } + mpeg2);
    // The second part's clock goes on from the first one's end.
    const QString large = test::reencodeClip(Clip::Vob, dir.path(), QStringLiteral("large.mpg"),
        QStringList { QStringLiteral("-output_ts_offset"), QStringLiteral("3") } + mpeg2);
    ASSERT_FALSE(small.isEmpty());
    ASSERT_FALSE(large.isEmpty());
    const QString joined = dir.filePath(QStringLiteral("joined.mpg"));
    {
        QFile out(joined);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        for (const QString& part : { small, large }) {
            QFile in(part);
            ASSERT_TRUE(in.open(QIODevice::ReadOnly));
            ASSERT_GT(out.write(in.readAll()), 0);
        }
    }

    // Larger than both parts, then smaller than both by more than half.
    for (const QSize size : { QSize(840, 672), QSize(160, 128) }) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
        PlayingInWindow playing(joined);
        const QImage first = playing.frameAt(size);
        ASSERT_EQ(first.size(), size);
        ASSERT_TRUE(waitFor([&] { return playing.graph.CurrentPosition() > 4.0; }, 8000))
            << "stopped at " << playing.graph.CurrentPosition() << " s";
        EXPECT_EQ(playing.graph.state(), GST_STATE_PLAYING);
        const QImage later = playing.graph.videoWidget()->currentFrame();
        EXPECT_EQ(later.size(), size);
        EXPECT_GT(coloursAcross(later), 4);
        EXPECT_NE(later, first);
    }
}

// The video path answers what it takes from its first answer. Every later
// question, narrowed or open, before and after a stream is under way, must
// get what the chain itself says: a wrong answer would make playbin refuse
// decoders the chain takes, or pick ones it cannot take.
TEST(FilgraphManager, videoPathAnswersAsItsChainWould)
{
    FilgraphManager graph;
    GstElement* raw = nullptr;
    g_object_get(graph.pipeline(), "video-sink", &raw, nullptr);
    const auto videoPath = ElementHandle::adopt(raw);
    ASSERT_TRUE(videoPath);
    const auto entry = PadHandle::adopt(gst_element_get_static_pad(videoPath.get(), "sink"));
    ASSERT_TRUE(entry && GST_IS_GHOST_PAD(entry.get()));
    const auto chain = PadHandle::adopt(gst_ghost_pad_get_target(GST_GHOST_PAD(entry.get())));
    ASSERT_TRUE(chain);

    const auto text = [](const GstCaps* caps) {
        gchar* s = gst_caps_to_string(caps);
        std::string out = s ? s : "(null)";
        g_free(s);
        return out;
    };
    // A narrowed question first: remembering a narrowed answer would give it
    // again to the open question.
    const char* const filters[] = { "video/x-raw,format=GRAY8",
        "video/x-raw,format=I420,width=720,height=576,framerate=25/1,"
        "interlace-mode=interleaved",
        nullptr, "audio/x-raw,format=S16LE", "video/x-raw(memory:GLMemory),format=RGBA",
        "video/x-raw,format=I420_10LE,width=1920,height=1080" };
    const auto compare = [&] {
        for (const char* filter : filters) {
            SCOPED_TRACE(filter ? filter : "(open question)");
            const auto narrow = CapsHandle::adopt(filter ? gst_caps_from_string(filter) : nullptr);
            const auto answered = CapsHandle::adopt(gst_pad_query_caps(entry.get(), narrow.get()));
            const auto fresh = CapsHandle::adopt(gst_pad_query_caps(chain.get(), narrow.get()));
            ASSERT_TRUE(answered && fresh);
            EXPECT_TRUE(gst_caps_is_equal(answered.get(), fresh.get()))
                << text(answered.get()) << "\n  against  " << text(fresh.get());
            if (filter && QByteArray(filter).startsWith("video/x-raw,")) {
                EXPECT_FALSE(gst_caps_is_empty(answered.get())) << "raw pictures are refused";
            }
        }
    };
    compare();
    graph.RenderFile(test::clipPath(Clip::Vob));
    graph.Run();
    ASSERT_TRUE(waitFor([&] { return graph.CurrentPosition() > 0.6; }, 5000));
    compare();
}

// A wide-screen DVD picture (720x576 stored, 16:9 shown) keeps its shape
// inside a 5:4 video window: black bands above and below, the picture between.
TEST(FilgraphManager, wideScreenPicturesAreLetterboxed)
{
    QTemporaryDir dir;
    const QString wide = test::reencodeClip(Clip::Vob, dir.path(), QStringLiteral("wide.vob"),
        { QStringLiteral("-c:v"), QStringLiteral("mpeg2video"), QStringLiteral("-aspect"),
            QStringLiteral("16:9"), QStringLiteral("-c:a"), QStringLiteral("copy"),
            QStringLiteral("-f"), QStringLiteral("vob") });
    ASSERT_FALSE(wide.isEmpty());

    PlayingInWindow playing(wide);
    ASSERT_NE(playing.graph.videoWidget(), nullptr);
    // Both ways of scaling: a little smaller and far smaller.
    for (const QSize size : { QSize(480, 384), QSize(160, 128) }) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
        const QImage frame = playing.frameAt(size);
        ASSERT_EQ(frame.size(), size);
        // 16:9 across the full width is 9/16 of the width high.
        const int band = (size.height() - size.width() * 9 / 16) / 2;
        ASSERT_GT(band, 4);
        EXPECT_LT(qGray(frame.pixel(size.width() / 2, band / 2)), 24);
        EXPECT_LT(qGray(frame.pixel(size.width() / 2, size.height() - band / 2)), 24);
        EXPECT_GT(coloursAcross(frame), 4);
    }
}

TEST(FilgraphManager, messageDrainReceivesInputOverTheVideo)
{
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    struct Drain : QWidget {
        int presses = 0;
        QPoint last;
        void mousePressEvent(QMouseEvent* e) override
        {
            ++presses;
            last = e->position().toPoint();
        }
    } drain;
    drain.setParent(&owner);
    drain.setGeometry(0, 0, 400, 300);
    FilgraphManager graph;
    graph.RenderFile(test::clipPath(Clip::Mpg));
    graph.setOwner(&drain);
    graph.setMessageDrain(&drain);
    graph.SetWindowPosition(50, 40, 100, 80);
    QTest::mousePress(graph.videoWidget(), Qt::LeftButton, {}, QPoint(5, 6));
    EXPECT_EQ(drain.presses, 1);
    EXPECT_EQ(drain.last, QPoint(55, 46));
}

} // namespace

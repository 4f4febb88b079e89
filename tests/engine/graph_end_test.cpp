// How a graph ends: a stream that stops short while it plays, files the
// graph cannot play, and a graph whose elements cannot all be made.
#include "engine/filgraphmanager.h"
#include "engine/gstprocess.h"
#include "runtime/steps.h"
#include "support/glib_log.h"
#include "support/media.h"
#include "support/wait.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

// Posts an error on the graph's bus as if the element had given up.
void postError(GstElement* from)
{
    GError* error = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE, "gave up");
    gst_element_post_message(from, gst_message_new_error(GST_OBJECT(from), error, "injected"));
    g_error_free(error);
}

// The first element of the playing graph made by a factory of that kind.
ElementHandle firstOfKind(GstElement* pipeline, GstElementFactoryListType kind)
{
    ElementHandle found;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* f = gst_element_get_factory(element);
        if (f && gst_element_factory_list_is_type(f, kind))
            found = ElementHandle::ref(element);
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

// The pipeline's running time in seconds: how long its clock has run since
// it last started playing.
double runningTime(GstElement* pipeline)
{
    const GstClockTime t = gst_element_get_current_running_time(pipeline);
    return GST_CLOCK_TIME_IS_VALID(t) ? static_cast<double>(t) / GST_SECOND : -1e9;
}

struct StopShortCase {
    const char* name;
    Clip clip;
    // Whether the stream stops well before its end (a deleted file is
    // still read to the end through the descriptor the graph holds).
    bool early;
    // Done to a graph playing a copy of the clip at `path`.
    std::function<void(FilgraphManager&, const QString& path)> stop;
};

class StreamStopsShort : public ::testing::TestWithParam<StopShortCase> { };

// The player finds the end of a track by the position reaching the length:
// a stream that stops short must end the track the same way, or the player
// waits on it for ever.
TEST_P(StreamStopsShort, endsTheTrackAtItsLength)
{
    QTemporaryDir dir;
    const StopShortCase& c = GetParam();
    const QString path = test::copyClip(c.clip, dir.path(),
        QStringLiteral("clip.") + QLatin1String(test::clipInfo(c.clip).extension), 6);
    ASSERT_FALSE(path.isEmpty());
    FilgraphManager graph;
    graph.RenderFile(path);
    const double length = graph.Duration();
    graph.Run();
    ASSERT_TRUE(waitFor([&] { return graph.CurrentPosition() > 0.3; }));
    c.stop(graph, path);
    const double stoppedAt = graph.CurrentPosition();
    const double clockAtStop = runningTime(graph.pipeline());

    ASSERT_TRUE(waitFor([&] { return graph.atEnd(); }, 10000));
    if (c.early) {
        // Played to the end, the rest would take its length in the
        // pipeline's clock (a seek restarts the clock, and only shortens this).
        EXPECT_LT(runningTime(graph.pipeline()) - clockAtStop, length - stoppedAt - 2.0)
            << "ended by the stream's own end, not when it stopped";
    }
    EXPECT_DOUBLE_EQ(graph.CurrentPosition(), length);
    // And stays there.
    EXPECT_FALSE(waitFor([&] { return graph.CurrentPosition() != length; }, 300));
    // A rewind plays again from the start, as after the end of the stream.
    graph.setCurrentPosition(0);
    EXPECT_FALSE(graph.atEnd());
    EXPECT_LT(graph.CurrentPosition(), 0.5);
}

INSTANTIATE_TEST_SUITE_P(Engine, StreamStopsShort,
    ::testing::Values(StopShortCase { "decoderGivesUp", Clip::Mp3, true,
                          [](FilgraphManager& graph, const QString&) {
                              const ElementHandle decoder
                                  = firstOfKind(graph.pipeline(), GST_ELEMENT_FACTORY_TYPE_DECODER);
                              ASSERT_TRUE(decoder);
                              postError(decoder.get());
                          } },
        StopShortCase { "videoSinkFails", Clip::Mp4, true,
            [](FilgraphManager& graph, const QString&) {
                ASSERT_NE(graph.videoSink(), nullptr);
                postError(graph.videoSink());
            } },
        // An error that comes while a seek settles: the seek never will.
        StopShortCase { "errorDuringASeek", Clip::Mpg, true,
            [](FilgraphManager& graph, const QString&) {
                graph.setCurrentPosition(2.0);
                postError(graph.videoSink());
            } },
        StopShortCase { "fileCut", Clip::Mp4, true,
            [](FilgraphManager&, const QString& path) {
                QFile file(path);
                ASSERT_TRUE(file.resize(file.size() / 3));
            } },
        StopShortCase { "mpegFileCut", Clip::Mpg, true,
            [](FilgraphManager&, const QString& path) {
                QFile file(path);
                ASSERT_TRUE(file.resize(file.size() / 3));
            } },
        StopShortCase { "fileDeleted", Clip::Avi, false,
            [](FilgraphManager&, const QString& path) { ASSERT_TRUE(QFile::remove(path)); } }),
    [](const auto& info) { return std::string(info.param.name); });

// A file with neither sound nor picture has nothing to play.
TEST(FilgraphManager, renderFailsWithoutAudioOrVideo)
{
    QTemporaryDir dir;
    const QString subtitles = test::subtitlesOnlyMp4(dir.path(), QStringLiteral("subs.mp4"));
    ASSERT_FALSE(subtitles.isEmpty());
    FilgraphManager graph;
    EXPECT_THROW(graph.RenderFile(subtitles), Failure);
    EXPECT_FALSE(graph.isRendered());
    EXPECT_EQ(graph.Duration(), 0.0);
    EXPECT_EQ(graph.state(), GST_STATE_NULL);
}

// Takes an element factory out of the registry for the life of the guard,
// as if its plugin were not installed.
class HiddenFeature {
public:
    explicit HiddenFeature(const char* name)
        : m_feature(ObjectHandle<GstPluginFeature>::adopt(
            gst_registry_lookup_feature(gst_registry_get(), name)))
    {
        if (m_feature)
            gst_registry_remove_feature(gst_registry_get(), m_feature.get());
    }
    ~HiddenFeature()
    {
        if (m_feature)
            gst_registry_add_feature(gst_registry_get(), m_feature.get());
    }
    HiddenFeature(const HiddenFeature&) = delete;
    HiddenFeature& operator=(const HiddenFeature&) = delete;

    bool hidden() const
    {
        return m_feature
            && !ObjectHandle<GstPluginFeature>::adopt(
                gst_registry_lookup_feature(gst_registry_get(), GST_OBJECT_NAME(m_feature.get())));
    }

private:
    ObjectHandle<GstPluginFeature> m_feature;
};

// Every element the graph makes itself may be missing: the graph then fails
// to render, without a GLib critical and without a crash.
TEST(FilgraphManager, aMissingPluginFailsRenderCleanly)
{
    const QString clip = test::clipPath(Clip::Mp4, 1);
    const int criticalsBefore = test::criticalsLogged();
    for (const char* name :
        { "playbin", "videoconvert", "deinterlace", "videoscale", "videoconvertscale", "capsfilter",
            "appsink", "scaletempo", "audioconvert", "audiopanorama", audioOutputFactory() }) {
        SCOPED_TRACE(name);
        HiddenFeature missing(name);
        ASSERT_TRUE(missing.hidden());
        FilgraphManager graph;
        EXPECT_THROW(graph.RenderFile(clip), Failure);
        EXPECT_FALSE(graph.isRendered());
    }
    EXPECT_EQ(test::criticalsLogged(), criticalsBefore);
    // With everything back the same file plays: the failures were the
    // missing plugins'.
    FilgraphManager graph;
    graph.RenderFile(clip);
    EXPECT_TRUE(graph.isRendered());
}

} // namespace

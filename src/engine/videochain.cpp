#include "engine/videochain.h"

#include "engine/videowidget.h"
#include "runtime/steps.h"

#include <QGuiApplication>
#include <gst/app/gstappsink.h>

namespace veltrin {

QSize pictureSize(const GstCaps* caps)
{
    const GstStructure* s
        = caps && !gst_caps_is_empty(caps) ? gst_caps_get_structure(caps, 0) : nullptr;
    int width = 0;
    int height = 0;
    if (!s || !gst_structure_get_int(s, "width", &width)
        || !gst_structure_get_int(s, "height", &height) || width <= 0 || height <= 0)
        return {};
    return { width, height };
}

// On X11 an image sink puts frames into the video window through shared
// memory, as the X11 players do; Qt's widget path would add a copy into the
// backing store and a wake-up of the GUI thread per frame. Xvfb has no Xv,
// so the plain image sink is the one that works everywhere.
bool nativeSinkAvailable()
{
    static const bool available = [] {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return false;
        return static_cast<bool>(
            ObjectHandle<GstElementFactory>::adopt(gst_element_factory_find("ximagesink")));
    }();
    return available;
}

namespace {

constexpr auto kVideoCaps = "video/x-raw,format=BGRx";

// How the picture reaches the converter, by how it changes size
// (measurements in bench/BENCH.md):
// - enlarging: as BGRx at the source's size, so colours are converted for
//   the fewer pixels and the converter only scales (a third of the two-step
//   cost for a DVD at full screen);
// - shrinking to no less than half: scaled, still planar, to the final
//   size, then the converter's direct path makes BGRx;
// - shrinking further: as decoded; the converter's single pass scales while
//   it converts.
CapsHandle prescaleCaps(QSize source, QSize target)
{
    const bool known = source.isValid() && !source.isEmpty();
    if (known && target.width() >= source.width() && target.height() >= source.height())
        return CapsHandle::adopt(gst_caps_from_string(kVideoCaps));
    if (known && target.width() * 2 >= source.width() && target.height() * 2 >= source.height())
        // Square pixels, as the screen has: with the scaler free to choose
        // the pixel shape, a rounding of the size leaves the converter an
        // aspect to correct, and it would scale again to do it.
        return CapsHandle::adopt(gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT,
            target.width(), "height", G_TYPE_INT, target.height(), "pixel-aspect-ratio",
            GST_TYPE_FRACTION, 1, 1, nullptr));
    return CapsHandle::adopt(gst_caps_new_empty_simple("video/x-raw"));
}

struct AppSinkTarget {
    std::shared_ptr<FrameSlot> frames;
    QObject* repaint = nullptr;
};

GstFlowReturn onSample(GstAppSink* sink, gpointer user, bool preroll)
{
    const auto* target = static_cast<const AppSinkTarget*>(user);
    const auto pulled = SampleHandle::adopt(
        preroll ? gst_app_sink_pull_preroll(sink) : gst_app_sink_pull_sample(sink));
    if (!pulled)
        return GST_FLOW_OK;
    // appsink hands out one sample object again and again and, after a
    // flushing seek, sets the caps on it without asking whether anyone else
    // still holds it (GStreamer 1.22): the frame on screen would keep it
    // shared, the caps would not be set and a critical would be logged. The
    // painter gets a sample of its own, sharing buffer and caps.
    auto sample = SampleHandle::adopt(gst_sample_new(
        gst_sample_get_buffer(pulled.get()), gst_sample_get_caps(pulled.get()), nullptr, nullptr));
    if (target->frames->store(std::move(sample)))
        QMetaObject::invokeMethod(target->repaint, "repaintVideo", Qt::QueuedConnection);
    return GST_FLOW_OK;
}

// What the video chain takes does not change with the stream: the scalers
// and converters take any raw picture, whatever size the window asks for.
// Asking it afresh is costly (the first converter transforms every variant
// the deinterlacer offers; see bench/BENCH.md), and playbin asks a dozen
// times while it chooses decoders, so the chain's entry answers from its
// first answer.
gboolean answerCapsOnce(GstPad* pad, GstObject* parent, GstQuery* query)
{
    if (GST_QUERY_TYPE(query) != GST_QUERY_CAPS)
        return gst_pad_query_default(pad, parent, query);
    static const GQuark kAccepted = g_quark_from_static_string("veltrin-accepted-caps");
    GST_OBJECT_LOCK(pad);
    CapsHandle accepted
        = CapsHandle::ref(static_cast<GstCaps*>(g_object_get_qdata(G_OBJECT(pad), kAccepted)));
    GST_OBJECT_UNLOCK(pad);
    if (!accepted) {
        const auto all = QueryHandle::adopt(gst_query_new_caps(nullptr));
        if (!gst_pad_query_default(pad, parent, all.get()))
            return gst_pad_query_default(pad, parent, query);
        GstCaps* result = nullptr;
        gst_query_parse_caps_result(all.get(), &result);
        if (!result)
            return gst_pad_query_default(pad, parent, query);
        accepted = CapsHandle::ref(result);
        GST_OBJECT_LOCK(pad);
        g_object_set_qdata_full(G_OBJECT(pad), kAccepted, accepted.share().release(),
            [](gpointer caps) { CapsHandle::adopt(static_cast<GstCaps*>(caps)).reset(); });
        GST_OBJECT_UNLOCK(pad);
    }
    GstCaps* filter = nullptr;
    gst_query_parse_caps(query, &filter);
    const CapsHandle answer = filter ? CapsHandle::adopt(gst_caps_intersect_full(
                                  filter, accepted.get(), GST_CAPS_INTERSECT_FIRST))
                                     : accepted.share();
    gst_query_set_caps_result(query, answer.get());
    return TRUE;
}

// libav decodes pictures on one thread per core, a frame per thread. Up to
// 1080p at 30 frames a second one thread keeps up several times over, costs
// less CPU and spares the frames the other threads hold (see
// bench/BENCH.md). Bigger or faster pictures keep libav's own choice (0).
int decodingThreads(const GstCaps* caps)
{
    const QSize size = pictureSize(caps);
    if (!size.isValid())
        return 0;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    int num = 0;
    int den = 1;
    // A variable or unknown rate is taken as 30 frames a second.
    if (!gst_structure_get_fraction(s, "framerate", &num, &den) || num <= 0 || den <= 0) {
        num = 30;
        den = 1;
    }
    constexpr qint64 kOneThreadPixelsPerSecond = qint64 { 1920 } * 1088 * 30;
    return qint64 { size.width() } * size.height() * num <= kOneThreadPixelsPerSecond * den ? 1 : 0;
}

// Sets a libav video decoder's thread count from the caps it is about to
// open with: the probe runs before the decoder sees the caps event.
void onElementSetup(GstElement*, GstElement* element, gpointer)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory || !g_str_has_prefix(GST_OBJECT_NAME(factory), "avdec_")
        || !g_object_class_find_property(G_OBJECT_GET_CLASS(element), "max-threads"))
        return;
    const auto pad = PadHandle::adopt(gst_element_get_static_pad(element, "sink"));
    if (!pad)
        return;
    gst_pad_add_probe(
        pad.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
        [](GstPad* pad, GstPadProbeInfo* info, gpointer) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS)
                return GST_PAD_PROBE_OK;
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            if (const auto decoder = ObjectHandle<GstObject>::adopt(gst_pad_get_parent(pad)))
                g_object_set(decoder.get(), "max-threads", decodingThreads(caps), nullptr);
            return GST_PAD_PROBE_OK;
        },
        nullptr, nullptr);
}

} // namespace

void tuneLibavDecoders(GstElement* playbin)
{
    g_signal_connect(playbin, "element-setup", G_CALLBACK(onElementSetup), nullptr);
}

VideoChain::VideoChain(bool nativeSink, std::shared_ptr<FrameSlot> frames, QObject* repaint)
{
    // The chain is ours alone (playbin adds none of its own): which element
    // scales is chosen per size in setTargetSize.
    m_bin = sinkNew(gst_bin_new("videobin"));
    // The deinterlacer takes only some formats; it passes progressive
    // pictures through untouched.
    const ElementHandle deinterlaceFormats = makeRequiredElement("videoconvert");
    const ElementHandle deinterlace = makeRequiredElement("deinterlace");
    // Converts without scaling, so a stream that changes size mid-way keeps
    // its size up to the scalers.
    const ElementHandle preconvert = makeRequiredElement("videoconvert");
    const ElementHandle prescale = makeRequiredElement("videoscale");
    m_prescaleCaps = makeRequiredElement("capsfilter");
    const ElementHandle convert = makeRequiredElement("videoconvertscale");
    // Chroma taken as it is instead of resampled to full resolution first:
    // half the conversion's work at 1080p (bench/BENCH.md), and no visible
    // change once the picture is scaled to the window.
    gst_util_set_object_arg(G_OBJECT(convert.get()), "chroma-mode", "none");
    m_capsfilter = makeRequiredElement("capsfilter");
    if (nativeSink) {
        m_sink = makeRequiredElement("ximagesink", "videosink");
        // Input on the video window stays Qt's (the message drain), and so do
        // exposes (the widget's paint events): no event thread that polls X
        // twenty times a second.
        g_object_set(
            m_sink.get(), "handle-events", FALSE, "handle-expose", FALSE, "qos", TRUE, nullptr);
    } else {
        m_sink = makeRequiredElement("appsink", "videosink");
        g_object_set(m_sink.get(), "sync", TRUE, "max-buffers", 2u, "qos", TRUE, nullptr);
        GstAppSinkCallbacks callbacks {};
        callbacks.new_preroll = [](GstAppSink* s, gpointer u) { return onSample(s, u, true); };
        callbacks.new_sample = [](GstAppSink* s, gpointer u) { return onSample(s, u, false); };
        // The sink owns its target and deletes it with itself.
        gst_app_sink_set_callbacks(GST_APP_SINK(m_sink.get()), &callbacks,
            new AppSinkTarget { std::move(frames), repaint },
            [](gpointer target) { delete static_cast<AppSinkTarget*>(target); });
    }
    // Sizes change while pictures flow: a picture negotiated a moment
    // earlier must still pass, or the stream stops as not negotiated.
    for (const ElementHandle* filter : { &m_prescaleCaps, &m_capsfilter })
        gst_util_set_object_arg(G_OBJECT(filter->get()), "caps-change-mode", "delayed");
    const auto bgrx = CapsHandle::adopt(gst_caps_from_string(kVideoCaps));
    g_object_set(m_capsfilter.get(), "caps", bgrx.get(), nullptr);
    addToBin(m_bin.get(), deinterlaceFormats, deinterlace, preconvert, prescale, m_prescaleCaps,
        convert, m_capsfilter, m_sink);
    if (!linkInOrder(deinterlaceFormats, deinterlace, preconvert, prescale, m_prescaleCaps, convert,
            m_capsfilter, m_sink))
        throw Failure("video chain does not link");
    m_input = PadHandle::adopt(gst_element_get_static_pad(deinterlaceFormats.get(), "sink"));
    GstPad* entry = gst_ghost_pad_new("sink", m_input.get());
    gst_pad_set_query_function(entry, answerCapsOnce);
    gst_element_add_pad(m_bin.get(), entry);
}

void VideoChain::setTargetSize(QSize native, QSize target)
{
    const auto caps = CapsHandle::adopt(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
        "BGRx", "width", G_TYPE_INT, target.width(), "height", G_TYPE_INT, target.height(),
        "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr));
    g_object_set(m_capsfilter.get(), "caps", caps.get(), nullptr);
    g_object_set(m_prescaleCaps.get(), "caps", prescaleCaps(native, target).get(), nullptr);
}

SampleHandle VideoChain::lastShownSample() const
{
    GstSample* raw = nullptr;
    g_object_get(m_sink.get(), "last-sample", &raw, nullptr);
    return SampleHandle::adopt(raw);
}

} // namespace veltrin

#include "engine/filgraphmanager.h"

#include "engine/disc.h"
#include "engine/prelink.h"
#include "engine/videowidget.h"
#include "runtime/steps.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <gst/app/gstappsink.h>
#include <gst/video/videooverlay.h>
#include <mutex>
#include <span>
#include <sys/stat.h>

namespace veltrin {

namespace {

// MPEG-1/2 video, MPEG audio and AC-3 (Video CDs, DVDs, MP3s) have small
// decoders of their own. Ranked above libav's, they spare those files the
// linking of libav's some 170 libraries: about 70 ms before the first frame
// and 35 MB of memory, at the same decoding cost.
void preferSmallDecoders()
{
    GstRegistry* registry = gst_registry_get();
    for (const char* name : { "mpeg2dec", "mpg123audiodec", "a52dec" }) {
        GstPluginFeature* feature = gst_registry_lookup_feature(registry, name);
        if (!feature)
            continue;
        if (gst_plugin_feature_get_rank(feature) <= GST_RANK_PRIMARY)
            gst_plugin_feature_set_rank(feature, GST_RANK_PRIMARY + 1);
        gst_object_unref(feature);
    }
}

} // namespace

void ensureGstInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        preferSmallDecoders();
        registerDiscSource();
    });
}

const char* audioOutputFactory()
{
    // Opening a sink costs a few milliseconds: probe once.
    static const char* const factory = [] {
        for (const char* name : { "pulsesink", "alsasink" }) {
            ElementHandle sink = makeElement(name);
            if (!sink)
                continue;
            const bool opens
                = gst_element_set_state(sink.get(), GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
            gst_element_set_state(sink.get(), GST_STATE_NULL);
            if (opens)
                return name;
        }
        return "fakesink";
    }();
    return factory;
}

namespace {

// What a file's name says about its graph: the plugins of its container
// and, for MPEG, of its small decoders, and whether libav decodes it (MPEG
// files do not, see above). A wrong guess costs a load nothing waits for.
struct NameGuess {
    std::span<const char* const> plugins;
    bool libav = true;
};

NameGuess guessFromName(const QString& path)
{
    static constexpr const char* mpeg[]
        = { "mpegpsdemux", "videoparsersbad", "audioparsers", "mpeg2dec", "mpg123", "a52dec" };
    static constexpr const char* mpegAudio[] = { "id3demux", "audioparsers", "mpg123" };
    static constexpr const char* mp4[] = { "isomp4", "videoparsersbad", "audioparsers" };
    static constexpr const char* avi[] = { "avi", "audioparsers" };
    static constexpr const char* asf[] = { "asf" };
    const QString suffix = QFileInfo(path.trimmed().remove(u'"')).suffix().toLower();
    const auto is = [&suffix](std::initializer_list<QStringView> names) {
        return std::find(names.begin(), names.end(), suffix) != names.end();
    };
    if (is({ u"dat", u"mpg", u"mpeg", u"vob", u"m1v", u"m2v" }))
        return { mpeg, false };
    if (is({ u"mp3", u"mp2" }))
        return { mpegAudio, false };
    if (is({ u"pls" }))
        return { {}, false }; // a play list is left to its entries
    if (is({ u"mp4", u"m4v", u"m4a", u"mov", u"qt" }))
        return { mp4 };
    if (is({ u"avi" }))
        return { avi };
    if (is({ u"asf", u"wm", u"wmv", u"wma" }))
        return { asf };
    return {};
}

void loadPlugin(const char* name)
{
    if (GstPlugin* plugin = gst_plugin_load_by_name(name))
        gst_object_unref(plugin);
}

// A new thread gets its thread-local storage under the dynamic loader's
// lock, so every thread the first graph starts while libav is being linked
// waits for the link to end (measured: the preroll stood still for 40 ms).
// The graph's streaming threads come from GLib's shared pool, which reuses
// idle threads: start that many now and leave them idle.
void startIdlePoolThreads(guint count)
{
    // GLib keeps one idle thread fewer than the maximum it is given.
    const gint keep = static_cast<gint>(count) + 1;
    if (g_thread_pool_get_max_unused_threads() < keep)
        g_thread_pool_set_max_unused_threads(keep);
    struct Gate {
        std::mutex mutex;
        std::condition_variable all;
        guint started = 0;
        guint count = 0;
    } gate;
    gate.count = count;
    // Each task holds its thread until all have started, so each gets its own.
    GThreadPool* pool = g_thread_pool_new(
        [](gpointer, gpointer user) {
            auto* gate = static_cast<Gate*>(user);
            std::unique_lock lock(gate->mutex);
            ++gate->started;
            gate->all.notify_all();
            gate->all.wait_for(
                lock, std::chrono::seconds(1), [gate] { return gate->started >= gate->count; });
        },
        &gate, static_cast<gint>(count), FALSE, nullptr);
    if (!pool)
        return;
    for (guint i = 0; i < count; ++i)
        g_thread_pool_push(pool, GUINT_TO_POINTER(i + 1), nullptr);
    g_thread_pool_free(pool, FALSE, TRUE);
}

} // namespace

WarmUp::WarmUp(const QString& path)
    : m_thread([this, path](std::stop_token stop) { run(path, std::move(stop)); })
{
}

void WarmUp::allowLinking()
{
    {
        std::lock_guard lock(m_mutex);
        m_linkingAllowed = true;
    }
    m_allowed.notify_all();
}

void WarmUp::run(const QString& path, std::stop_token stop)
{
    ensureGstInitialised();
    audioOutputFactory();
    const NameGuess guess = guessFromName(path);
    // What every graph builds, then what this file's container needs.
    for (const char* name : { "playback", "coreelements", "typefindfunctions", "videoconvertscale",
             "deinterlace", "ximagesink", "audiofx", "audioconvert", "audioresample", "volume" })
        loadPlugin(name);
    for (const char* name : guess.plugins)
        loadPlugin(name);
    if (!guess.libav)
        return;
    // libav's libraries one at a time while Qt starts; the plugin itself,
    // which registers a few hundred elements, once the window is built.
    if (GstPlugin* libav = gst_registry_find_plugin(gst_registry_get(), "libav")) {
        if (const gchar* file = gst_plugin_get_filename(libav);
            file && !gst_plugin_is_loaded(libav))
            m_libraries.link(linkOrder(file), [&stop] { return stop.stop_requested(); });
        gst_object_unref(libav);
    }
    std::unique_lock lock(m_mutex);
    if (!m_allowed.wait(lock, stop, [this] { return m_linkingAllowed; }))
        return;
    lock.unlock();
    // Reading a file, demuxing, two stream queues and the audio queue.
    startIdlePoolThreads(6);
    loadPlugin("libav");
}

namespace {

constexpr auto kVideoCaps = "video/x-raw,format=BGRx";

// The picture size the caps give; invalid when they give none.
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

// A sink without a volume of its own (ALSA, the null output) gets ours: the
// volume element playbin would add in its place is never freed (GStreamer
// 1.22), one per graph.
GstElement* makeAudioSink(ElementHandle& output)
{
    const QByteArray factory = audioOutputFactory();
    GstElement* sink = gst_element_factory_make(factory.constData(), "audiosink");
    if (!sink)
        return nullptr;
    if (factory == "fakesink")
        g_object_set(sink, "sync", TRUE, nullptr);
    output.reset(GST_ELEMENT(gst_object_ref(sink)));
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "volume"))
        return sink;
    GstElement* volume = gst_element_factory_make("volume", nullptr);
    if (!volume)
        return sink;
    GstElement* bin = gst_bin_new("audiooutput");
    gst_bin_add_many(GST_BIN(bin), volume, sink, nullptr);
    gst_element_link(volume, sink);
    PadHandle pad(gst_element_get_static_pad(volume, "sink"));
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad.get()));
    return bin;
}

// A regular, readable file. Anything else (FIFO, device, socket, folder) is
// refused before the graph sees it: GStreamer's file source would block
// inside open() on a FIFO.
bool isPlayableFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat st { };
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return QFileInfo(path).isReadable();
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
        GstElementFactory* factory = gst_element_factory_find("ximagesink");
        if (!factory)
            return false;
        gst_object_unref(factory);
        return true;
    }();
    return available;
}

// Frames shown and stream time covered, summed over every graph of the run,
// written for bench/ when VELTRIN_STATS names a file. Off by default.
struct VideoTotals {
    quint64 shown = 0;
    quint64 sinkDropped = 0;
    double spanSeconds = 0.0;
    int graphs = 0;
};

void writeVideoTotals(const VideoTotals& t)
{
    const QString path = qEnvironmentVariable("VELTRIN_STATS");
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QStringLiteral("{\"framesShown\": %1, \"sinkDropped\": %2, \"spanSeconds\": "
                              "%3, \"graphs\": %4}\n")
                   .arg(t.shown)
                   .arg(t.sinkDropped)
                   .arg(t.spanSeconds, 0, 'f', 6)
                   .arg(t.graphs)
                   .toUtf8());
    file.commit();
}

// Enlarging, or shrinking to no less than half, costs least as two steps:
// the scaler works on the decoder's planar picture, then the converter's
// direct path makes BGRx at the final size. Shrinking further is cheaper in
// the converter's single pass, which scales while it converts. (Measured:
// DVD 720x576 to 481x385 -14 % in two steps, 1280x720 and 1920x1080 to
// 481x270 +35 % and +12 %.)
CapsHandle prescaleCaps(QSize source, QSize target)
{
    if (source.isValid() && !source.isEmpty() && target.width() * 2 >= source.width()
        && target.height() * 2 >= source.height())
        // Square pixels, as the screen has: with the scaler free to choose
        // the pixel shape, a rounding of the size leaves the converter an
        // aspect to correct, and it would scale again to do it.
        return CapsHandle(gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, target.width(),
            "height", G_TYPE_INT, target.height(), "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1,
            nullptr));
    return CapsHandle(gst_caps_new_empty_simple("video/x-raw"));
}

GstFlowReturn onSample(GstAppSink* sink, gpointer user, bool preroll)
{
    auto* self = static_cast<FilgraphManager*>(user);
    const SampleHandle pulled(
        preroll ? gst_app_sink_pull_preroll(sink) : gst_app_sink_pull_sample(sink));
    if (!pulled)
        return GST_FLOW_OK;
    // appsink hands out one sample object again and again and, after a
    // flushing seek, sets the caps on it without asking whether anyone else
    // still holds it (GStreamer 1.22): the frame on screen would keep it
    // shared, the caps would not be set and a critical would be logged. The
    // painter gets a sample of its own, sharing buffer and caps.
    SampleHandle sample(gst_sample_new(
        gst_sample_get_buffer(pulled.get()), gst_sample_get_caps(pulled.get()), nullptr, nullptr));
    if (self->frameSlot()->store(std::move(sample)))
        QMetaObject::invokeMethod(self, "repaintVideo", Qt::QueuedConnection);
    return GST_FLOW_OK;
}

// What the video chain takes does not change with the stream: the scalers
// and converters take any raw picture, whatever size the window asks for.
// Asking it afresh costs about 2 ms (the first converter transforms every
// variant the deinterlacer offers), and playbin asks a dozen times while it
// chooses decoders, so the chain's entry answers from its first answer.
gboolean answerCapsOnce(GstPad* pad, GstObject* parent, GstQuery* query)
{
    if (GST_QUERY_TYPE(query) != GST_QUERY_CAPS)
        return gst_pad_query_default(pad, parent, query);
    static const GQuark kAccepted = g_quark_from_static_string("veltrin-accepted-caps");
    GST_OBJECT_LOCK(pad);
    CapsHandle accepted(static_cast<GstCaps*>(g_object_get_qdata(G_OBJECT(pad), kAccepted)));
    if (accepted)
        gst_caps_ref(accepted.get());
    GST_OBJECT_UNLOCK(pad);
    if (!accepted) {
        QueryHandle all(gst_query_new_caps(nullptr));
        if (!gst_pad_query_default(pad, parent, all.get()))
            return gst_pad_query_default(pad, parent, query);
        GstCaps* result = nullptr;
        gst_query_parse_caps_result(all.get(), &result);
        if (!result)
            return gst_pad_query_default(pad, parent, query);
        accepted.reset(gst_caps_ref(result));
        GST_OBJECT_LOCK(pad);
        g_object_set_qdata_full(G_OBJECT(pad), kAccepted, gst_caps_ref(result),
            reinterpret_cast<GDestroyNotify>(gst_caps_unref));
        GST_OBJECT_UNLOCK(pad);
    }
    GstCaps* filter = nullptr;
    gst_query_parse_caps(query, &filter);
    CapsHandle answer(filter
            ? gst_caps_intersect_full(filter, accepted.get(), GST_CAPS_INTERSECT_FIRST)
            : gst_caps_ref(accepted.get()));
    gst_query_set_caps_result(query, answer.get());
    return TRUE;
}

// libav decodes pictures on one thread per core, a frame per thread. Up to
// 1080p at 30 frames a second one thread keeps up several times over (5.7x
// real time on one core of a 2-core VM), costs 15 % less CPU and spares the
// frames the other threads hold (30 MB at 1080p). Bigger or faster pictures
// keep libav's own choice (0).
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
    PadHandle pad(gst_element_get_static_pad(element, "sink"));
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
            if (GstObject* decoder = gst_pad_get_parent(pad)) {
                g_object_set(decoder, "max-threads", decodingThreads(caps), nullptr);
                gst_object_unref(decoder);
            }
            return GST_PAD_PROBE_OK;
        },
        nullptr, nullptr);
}

} // namespace

FilgraphManager::FilgraphManager()
    : m_frames(std::make_shared<FrameSlot>())
{
    ensureGstInitialised();
    m_playbin = makeElement("playbin");
    if (!m_playbin)
        return;
    m_nativeSink = nativeSinkAvailable();
    buildSinks();
    g_signal_connect(m_playbin.get(), "element-setup", G_CALLBACK(onElementSetup), nullptr);
    if (m_nativeSink) {
        // Only the video widget gets an X window of its own; its siblings
        // keep being painted by Qt into the player's backing store.
        QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
        // The sink looks for its window while prerolling, on a streaming
        // thread: the window must exist before RenderFile.
        m_widget = new VideoWidget(m_frames);
        m_widget->useNativeSink([this] {
            if (m_videoSink)
                gst_video_overlay_expose(GST_VIDEO_OVERLAY(m_videoSink.get()));
        });
        attachNativeWindow();
    }
    m_bus.reset(gst_element_get_bus(m_playbin.get()));
    GPollFD pollFd {};
    gst_bus_get_pollfd(m_bus.get(), &pollFd);
    // Bus messages are read on the GUI thread when the bus's descriptor wakes
    // the event loop; nothing polls.
    m_busNotifier = std::make_unique<QSocketNotifier>(pollFd.fd, QSocketNotifier::Read);
    connect(m_busNotifier.get(), &QSocketNotifier::activated, this,
        &FilgraphManager::dispatchBusMessages);
}

GraphRefs makeGStreamerGraph()
{
    auto graph = std::make_shared<FilgraphManager>();
    // One object, five interfaces: each reference keeps the whole graph alive.
    return GraphRefs { graph, graph, graph, graph, graph };
}

FilgraphManager::~FilgraphManager()
{
    if (auto observer = std::exchange(m_statusObserver, {}))
        observer();
    recordStatistics();
    m_busNotifier.reset();
    // Stops the streaming threads before anything they use goes away.
    if (m_playbin)
        gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
    delete m_widget.data();
}

void FilgraphManager::buildSinks()
{
    // Video: deinterlace, then scale and convert to the window's size on the
    // streaming thread, so the GUI thread only copies finished frames. The
    // chain is ours alone (playbin adds none of its own, see below): which
    // element scales is chosen per size in onVideoResized.
    GstElement* vbin = gst_bin_new("videobin");
    // The deinterlacer takes only some formats; it passes progressive
    // pictures through untouched.
    GstElement* deinterlaceFormats = gst_element_factory_make("videoconvert", nullptr);
    GstElement* deinterlace = gst_element_factory_make("deinterlace", nullptr);
    GstElement* prescale = gst_element_factory_make("videoscale", nullptr);
    GstElement* prescaleCaps = gst_element_factory_make("capsfilter", nullptr);
    GstElement* convert = gst_element_factory_make("videoconvertscale", nullptr);
    // Chroma taken as it is instead of resampled to full resolution first:
    // half the conversion's work at 1080p (counted with callgrind), and no
    // visible change once the picture is scaled to the window.
    gst_util_set_object_arg(G_OBJECT(convert), "chroma-mode", "none");
    GstElement* caps = gst_element_factory_make("capsfilter", nullptr);
    GstElement* sink = nullptr;
    if (m_nativeSink) {
        sink = gst_element_factory_make("ximagesink", "videosink");
        // Input on the video window stays Qt's (the message drain), and so do
        // exposes (the widget's paint events): no event thread that polls X
        // twenty times a second.
        g_object_set(sink, "handle-events", FALSE, "handle-expose", FALSE, "qos", TRUE, nullptr);
    } else {
        sink = gst_element_factory_make("appsink", "videosink");
        g_object_set(sink, "sync", TRUE, "max-buffers", 2u, "qos", TRUE, nullptr);
        GstAppSinkCallbacks callbacks {};
        callbacks.new_preroll = [](GstAppSink* s, gpointer u) { return onSample(s, u, true); };
        callbacks.new_sample = [](GstAppSink* s, gpointer u) { return onSample(s, u, false); };
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    }
    m_videoSink.reset(GST_ELEMENT(gst_object_ref(sink)));
    m_capsfilter.reset(GST_ELEMENT(gst_object_ref(caps)));
    m_prescaleCaps.reset(GST_ELEMENT(gst_object_ref(prescaleCaps)));
    // Sizes change while pictures flow: a picture negotiated a moment
    // earlier must still pass, or the stream stops as not negotiated.
    for (GstElement* filter : { prescaleCaps, caps })
        gst_util_set_object_arg(G_OBJECT(filter), "caps-change-mode", "delayed");
    CapsHandle bgrx(gst_caps_from_string(kVideoCaps));
    g_object_set(caps, "caps", bgrx.get(), nullptr);
    gst_bin_add_many(GST_BIN(vbin), deinterlaceFormats, deinterlace, prescale, prescaleCaps,
        convert, caps, sink, nullptr);
    gst_element_link_many(
        deinterlaceFormats, deinterlace, prescale, prescaleCaps, convert, caps, sink, nullptr);
    PadHandle vpad(gst_element_get_static_pad(deinterlaceFormats, "sink"));
    GstPad* entry = gst_ghost_pad_new("sink", vpad.get());
    gst_pad_set_query_function(entry, answerCapsOnce);
    gst_element_add_pad(vbin, entry);
    // The stream time the video path has seen, for the frame statistics.
    gst_pad_add_probe(
        vpad.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer user) {
            auto* self = static_cast<FilgraphManager*>(user);
            const GstClockTime pts = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
            if (GST_CLOCK_TIME_IS_VALID(pts)) {
                GstClockTime none = GST_CLOCK_TIME_NONE;
                self->m_firstPts.compare_exchange_strong(none, pts);
                self->m_lastPts = pts;
            }
            return GST_PAD_PROBE_OK;
        },
        this, nullptr);

    // Audio: keep the pitch at double rate, and turn one channel down for balance.
    GstElement* abin = gst_bin_new("audiofilter");
    GstElement* tempo = gst_element_factory_make("scaletempo", nullptr);
    GstElement* aconv = gst_element_factory_make("audioconvert", nullptr);
    GstElement* pan = gst_element_factory_make("audiopanorama", nullptr);
    m_panorama.reset(GST_ELEMENT(gst_object_ref(pan)));
    g_object_set(pan, "method", 1 /* simple: attenuate one channel */, nullptr);
    gst_bin_add_many(GST_BIN(abin), tempo, aconv, pan, nullptr);
    gst_element_link_many(tempo, aconv, pan, nullptr);
    PadHandle asink(gst_element_get_static_pad(tempo, "sink"));
    PadHandle asrc(gst_element_get_static_pad(pan, "src"));
    gst_element_add_pad(abin, gst_ghost_pad_new("sink", asink.get()));
    gst_element_add_pad(abin, gst_ghost_pad_new("src", asrc.get()));

    g_object_set(m_playbin.get(), "video-sink", vbin, "audio-filter", abin, "audio-sink",
        makeAudioSink(m_audioSink), nullptr);
    // No subtitles or visualisations: only what the player shows. The
    // video goes to our chain as decoded: playbin's own conversion chain
    // (converter, scaler, colour balance, deinterlacer) would scale in front
    // of ours whatever the sizes: 15-30 % of the player's CPU on 720p WMV.
    gint flags = 0;
    g_object_get(m_playbin.get(), "flags", &flags, nullptr);
    // Off: text, vis, deinterlace, colour balance.
    flags &= ~((1 << 2) | (1 << 3) | (1 << 9) | (1 << 10));
    flags |= 1 << 6; // native video
    g_object_set(m_playbin.get(), "flags", flags, nullptr);
}

std::shared_ptr<FrameSlot> FilgraphManager::frameSlot() const
{
    return m_frames;
}

void FilgraphManager::repaintVideo()
{
    if (m_widget)
        m_widget->update();
}

void FilgraphManager::RenderFile(const QString& path)
{
    if (!m_playbin || m_rendered)
        throw Failure("graph cannot render");
    // A file inside a disc image or on a drive's disc goes through our source.
    const std::optional<QString> discUri = discUriForPath(path);
    if (!discUri && !isPlayableFile(path))
        throw Failure("not a playable file");

    const QByteArray uri = discUri
        ? discUri->toUtf8()
        : QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    g_object_set(m_playbin.get(), "uri", uri.constData(), nullptr);
    // Messages of an earlier attempt must not decide this one.
    gst_bus_set_flushing(m_bus.get(), TRUE);
    gst_bus_set_flushing(m_bus.get(), FALSE);

    const GstStateChangeReturn ret = gst_element_set_state(m_playbin.get(), GST_STATE_PAUSED);
    bool ok = ret == GST_STATE_CHANGE_SUCCESS || ret == GST_STATE_CHANGE_NO_PREROLL;
    if (ret == GST_STATE_CHANGE_ASYNC) {
        const auto deadline = std::chrono::steady_clock::now() + kPrerollTimeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            MessageHandle msg(
                gst_bus_timed_pop_filtered(m_bus.get(), static_cast<GstClockTime>(left.count()),
                    static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR)));
            if (!msg)
                break;
            if (GST_MESSAGE_TYPE(msg.get()) == GST_MESSAGE_ERROR)
                break;
            if (GST_MESSAGE_SRC(msg.get()) == GST_OBJECT(m_playbin.get())) {
                ok = true;
                break;
            }
        }
    }
    if (!ok) {
        gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
        throw Failure("file did not preroll");
    }

    gint nVideo = 0, nAudio = 0;
    g_object_get(m_playbin.get(), "n-video", &nVideo, "n-audio", &nAudio, nullptr);
    m_hasAudio = nAudio > 0;
    m_hasVideo = false;
    if (nVideo > 0) {
        GstPad* raw = nullptr;
        g_signal_emit_by_name(m_playbin.get(), "get-video-pad", 0, &raw);
        PadHandle pad(raw);
        CapsHandle caps(pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
        m_nativeSize = pictureSize(caps.get());
        m_hasVideo = m_nativeSize.isValid();
    }
    m_rendered = true;
    m_duration.reset();
    if (m_hasVideo) {
        if (!m_widget)
            m_widget = new VideoWidget(m_frames);
        m_widget->resize(m_nativeSize);
        m_widget->setResizeHandler([this](QSize size) { onVideoResized(size); });
    } else {
        delete m_widget.data();
    }
}

void FilgraphManager::attachNativeWindow()
{
    // Qt may give the widget a new X window when it changes parent.
    if (!m_nativeSink || !m_widget || !m_videoSink)
        return;
    const WId window = m_widget->winId();
    if (window == m_attachedWindow)
        return;
    m_attachedWindow = window;
    gst_video_overlay_set_window_handle(
        GST_VIDEO_OVERLAY(m_videoSink.get()), static_cast<guintptr>(window));
}

void FilgraphManager::recordStatistics()
{
    static VideoTotals totals;
    if (!m_hasVideo || !m_videoSink || qEnvironmentVariableIsEmpty("VELTRIN_STATS"))
        return;
    GstStructure* stats = nullptr;
    g_object_get(m_videoSink.get(), "stats", &stats, nullptr);
    guint64 rendered = 0, dropped = 0;
    if (stats) {
        gst_structure_get_uint64(stats, "rendered", &rendered);
        gst_structure_get_uint64(stats, "dropped", &dropped);
        gst_structure_free(stats);
    }
    totals.shown += m_nativeSink
        ? rendered
        : static_cast<quint64>(m_widget ? m_widget->distinctFramesPainted() : 0);
    totals.sinkDropped += dropped;
    // The span ends at the last frame shown: frames that entered the video
    // path but were still queued when the graph stopped were not dropped.
    GstClockTime last = m_lastPts;
    const SampleHandle shownLast = lastShownSample();
    if (GstBuffer* buffer = shownLast ? gst_sample_get_buffer(shownLast.get()) : nullptr;
        buffer && GST_BUFFER_PTS_IS_VALID(buffer))
        last = GST_BUFFER_PTS(buffer);
    const GstClockTime first = m_firstPts;
    if (GST_CLOCK_TIME_IS_VALID(first) && GST_CLOCK_TIME_IS_VALID(last) && last >= first)
        totals.spanSeconds += static_cast<double>(last - first) / GST_SECOND;
    ++totals.graphs;
    writeVideoTotals(totals);
}

void FilgraphManager::setState(GstState state)
{
    if (!m_rendered)
        return; // an empty graph has nothing to start or stop
    m_position.reset();
    if (gst_element_set_state(m_playbin.get(), state) == GST_STATE_CHANGE_FAILURE)
        throw Failure("state change refused");
}

void FilgraphManager::Run()
{
    setState(GST_STATE_PLAYING);
}
void FilgraphManager::Pause()
{
    setState(GST_STATE_PAUSED);
}
// Stop holds the current frame and position; the caller rewinds first.
void FilgraphManager::Stop()
{
    setState(GST_STATE_PAUSED);
}
void FilgraphManager::StopWhenReady()
{
    setState(GST_STATE_PAUSED);
}

PlaybackState FilgraphManager::playbackState() const
{
    if (!m_rendered)
        return PlaybackState::Stopped;
    switch (state()) {
    case GST_STATE_PLAYING: return PlaybackState::Playing;
    case GST_STATE_PAUSED: return PlaybackState::Paused;
    default: return PlaybackState::Stopped;
    }
}

void FilgraphManager::setStatusObserver(std::function<void()> changed)
{
    m_statusObserver = std::move(changed);
}

GstState FilgraphManager::state() const
{
    GstState current = GST_STATE_NULL;
    if (m_playbin)
        gst_element_get_state(m_playbin.get(), &current, nullptr, 0);
    return current;
}

GstState FilgraphManager::targetState() const
{
    if (!m_playbin)
        return GST_STATE_NULL;
    // After a flushing seek while playing the pipeline reports itself as
    // paused, with paused pending, until it prerolls again; only its target
    // tells it is going back to playing.
    GST_OBJECT_LOCK(m_playbin.get());
    const GstState target = GST_STATE_TARGET(m_playbin.get());
    GST_OBJECT_UNLOCK(m_playbin.get());
    return target;
}

double FilgraphManager::Duration() const
{
    if (!m_rendered)
        return 0.0; // an empty graph reports no length
    if (m_duration)
        return *m_duration;
    gint64 ns = 0;
    if (!gst_element_query_duration(m_playbin.get(), GST_FORMAT_TIME, &ns) || ns < 0)
        throw Failure("duration unknown");
    m_duration = static_cast<double>(ns) / GST_SECOND;
    return *m_duration;
}

double FilgraphManager::CurrentPosition() const
{
    if (!m_rendered)
        return 0.0;
    // At the end the position stays at the length, whatever the sinks report.
    if (m_eos)
        return Duration();
    // Until a seek has settled the sinks report nothing useful: the target is
    // where the graph is going to be.
    if (m_seekTarget)
        return *m_seekTarget;
    const auto now = std::chrono::steady_clock::now();
    if (m_position && now - m_positionAt < std::chrono::milliseconds(1))
        return *m_position;
    // The sink that plays answers from the clock; the whole graph would ask
    // every sink through two layers of bins, at several times the cost.
    GstElement* timing = m_hasAudio ? m_audioSink.get() : m_hasVideo ? m_videoSink.get() : nullptr;
    // One query, reused: a new one per tick was a quarter of the query's cost.
    if (!m_positionQuery)
        m_positionQuery.reset(gst_query_new_position(GST_FORMAT_TIME));
    gst_query_set_position(m_positionQuery.get(), GST_FORMAT_TIME, -1);
    gint64 ns = -1;
    if (timing && gst_element_query(timing, m_positionQuery.get()))
        gst_query_parse_position(m_positionQuery.get(), nullptr, &ns);
    if (ns < 0) {
        if (!gst_element_query_position(m_playbin.get(), GST_FORMAT_TIME, &ns) || ns < 0)
            throw Failure("position unknown");
    }
    m_position = static_cast<double>(ns) / GST_SECOND;
    m_positionAt = now;
    return *m_position;
}

void FilgraphManager::seek(double seconds, double rate)
{
    requireRendered();
    if (!std::isfinite(seconds))
        throw Failure("bad position");
    const auto target = static_cast<gint64>(std::max(0.0, seconds) * GST_SECOND);
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (!gst_element_seek(m_playbin.get(), rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, target,
            GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE))
        throw Failure("seek refused");
    m_eos = false;
    m_position.reset();
    m_seekTarget = static_cast<double>(target) / GST_SECOND;
    m_seekIssuedAt = std::chrono::steady_clock::now();
}

void FilgraphManager::settleSeek()
{
    if (!m_seekTarget)
        return;
    // A flushing seek that races the end of the stream can be swallowed: the
    // graph settles where it was. Seek again (a bounded number of times)
    // rather than report the old position as the new one.
    gint64 ns = 0;
    const bool known = gst_element_query_position(m_playbin.get(), GST_FORMAT_TIME, &ns) && ns >= 0;
    const double at = known ? static_cast<double>(ns) / GST_SECOND : *m_seekTarget;
    // A running graph may have moved on since the seek before this message
    // was read; a paused one stays where the seek put it.
    double ahead = kSeekTolerance;
    if (state() == GST_STATE_PLAYING)
        ahead += m_rate
            * std::chrono::duration<double>(std::chrono::steady_clock::now() - m_seekIssuedAt)
                  .count();
    const bool landed = at >= *m_seekTarget - kSeekTolerance && at <= *m_seekTarget + ahead;
    if (!landed && m_seekRetries < kMaxSeekRetries) {
        ++m_seekRetries;
        const double target = *m_seekTarget;
        if (skipOnFailure([&] { seek(target, m_rate); }))
            return;
    }
    m_seekRetries = 0;
    m_seekTarget.reset();
}

void FilgraphManager::setCurrentPosition(double seconds)
{
    m_seekRetries = 0;
    seek(seconds, m_rate);
}

void FilgraphManager::setRate(double rate)
{
    requireRendered();
    if (!(rate > 0.0) || !std::isfinite(rate))
        throw Failure("bad rate");
    double position = 0.0;
    skipOnFailure([&] { position = CurrentPosition(); });
    seek(position, rate);
    m_rate = rate;
    if (m_statusObserver)
        m_statusObserver();
}

void FilgraphManager::setVolume(int volume)
{
    requireAudio();
    if (volume < -10000 || volume > 0)
        throw Failure("volume out of range");
    g_object_set(m_playbin.get(), "volume", std::pow(10.0, volume / 2000.0), nullptr);
}

void FilgraphManager::setBalance(int balance)
{
    requireAudio();
    if (balance < -10000 || balance > 10000)
        throw Failure("balance out of range");
    // The attenuated channel's gain is 10^(-|b|/2000); audiopanorama's simple
    // method scales the left channel by 1 - p for p > 0, the right by 1 + p for p < 0.
    const double cut = 1.0 - std::pow(10.0, -std::abs(balance) / 2000.0);
    const double p = balance > 0 ? cut : -cut;
    g_object_set(m_panorama.get(), "panorama", static_cast<gfloat>(p), nullptr);
}

double FilgraphManager::volumeGain() const
{
    gdouble v = 1.0;
    if (m_playbin)
        g_object_get(m_playbin.get(), "volume", &v, nullptr);
    return v;
}

double FilgraphManager::panorama() const
{
    gfloat p = 0.0f;
    if (m_panorama)
        g_object_get(m_panorama.get(), "panorama", &p, nullptr);
    return p;
}

void FilgraphManager::requireRendered() const
{
    if (!m_rendered)
        throw Failure("nothing loaded");
}

void FilgraphManager::requireVideo() const
{
    if (!m_hasVideo || !m_widget)
        throw Failure("no video stream");
}

void FilgraphManager::requireAudio() const
{
    if (!m_hasAudio)
        throw Failure("no audio stream");
}

void FilgraphManager::setWindowStyle(int)
{
    requireVideo();
}

void FilgraphManager::setOwner(QWidget* owner)
{
    requireVideo();
    const QRect geometry = m_widget->geometry();
    m_widget->setParent(owner);
    m_widget->setGeometry(geometry);
    if (owner)
        m_widget->show();
    attachNativeWindow();
}

void FilgraphManager::setMessageDrain(QWidget* drain)
{
    requireVideo();
    m_widget->setMessageDrain(drain);
}

int FilgraphManager::Width() const
{
    requireVideo();
    return m_widget->width();
}

int FilgraphManager::Height() const
{
    requireVideo();
    return m_widget->height();
}

void FilgraphManager::setLeft(int x)
{
    requireVideo();
    m_widget->move(x, m_widget->y());
}

void FilgraphManager::setTop(int y)
{
    requireVideo();
    m_widget->move(m_widget->x(), y);
}

void FilgraphManager::setWidth(int w)
{
    requireVideo();
    m_widget->resize(std::max(0, w), m_widget->height());
    onVideoResized(m_widget->size());
}

void FilgraphManager::setHeight(int h)
{
    requireVideo();
    m_widget->resize(m_widget->width(), std::max(0, h));
    onVideoResized(m_widget->size());
}

void FilgraphManager::SetWindowPosition(int left, int top, int width, int height)
{
    requireVideo();
    m_widget->setGeometry(left, top, std::max(0, width), std::max(0, height));
    // A hidden widget hears of its size only when shown, which at start-up
    // comes after Run: the frames must be made at this size before then, or
    // the first one, made for the window's default size, stays on screen
    // until the stream's first frame is due (half a second into an MPEG
    // program stream).
    onVideoResized(m_widget->size());
}

void FilgraphManager::onVideoResized(QSize size)
{
    if (size.width() < 1 || size.height() < 1 || size == m_frameSize)
        return;
    m_frameSize = size;
    CapsHandle caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width",
        G_TYPE_INT, size.width(), "height", G_TYPE_INT, size.height(), "pixel-aspect-ratio",
        GST_TYPE_FRACTION, 1, 1, nullptr));
    g_object_set(m_capsfilter.get(), "caps", caps.get(), nullptr);
    g_object_set(m_prescaleCaps.get(), "caps", prescaleCaps(m_nativeSize, size).get(), nullptr);
    // A paused picture is only redrawn at the new size by a fresh preroll.
    // Several resizes in one pass of the event loop cost one seek.
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        // A graph on its way to playing (as after Run and the rewind that
        // follows it) brings frames of the new size anyway: a seek would only
        // decode the same pictures again and hold back the first one.
        if (m_rendered && !m_eos && targetState() == GST_STATE_PAUSED && !shownFrameFits())
            skipOnFailure([&] { seek(CurrentPosition(), m_rate); });
    });
}

SampleHandle FilgraphManager::lastShownSample() const
{
    GstSample* raw = nullptr;
    g_object_get(m_videoSink.get(), "last-sample", &raw, nullptr);
    return SampleHandle(raw);
}

bool FilgraphManager::shownFrameFits() const
{
    const SampleHandle shown = lastShownSample();
    return shown && pictureSize(gst_sample_get_caps(shown.get())) == m_frameSize;
}

void FilgraphManager::dispatchBusMessages()
{
    while (MessageHandle msg { gst_bus_pop(m_bus.get()) }) {
        switch (GST_MESSAGE_TYPE(msg.get())) {
        case GST_MESSAGE_EOS:
            // An end reported while a seek is still settling belongs to the
            // stream before the seek: a rewind at the last moment must not be
            // undone by it.
            if (!m_seekTarget)
                m_eos = true;
            break;
        case GST_MESSAGE_DURATION_CHANGED: m_duration.reset(); break;
        case GST_MESSAGE_ASYNC_DONE:
            if (GST_MESSAGE_SRC(msg.get()) == GST_OBJECT(m_playbin.get()))
                settleSeek();
            break;
        case GST_MESSAGE_STATE_CHANGED:
            if (GST_MESSAGE_SRC(msg.get()) == GST_OBJECT(m_playbin.get())) {
                GstState newState = GST_STATE_VOID_PENDING;
                gst_message_parse_state_changed(msg.get(), nullptr, &newState, nullptr);
                emit stateChanged(newState);
                if (m_statusObserver)
                    m_statusObserver();
            }
            break;
        default: break;
        }
    }
}

} // namespace veltrin

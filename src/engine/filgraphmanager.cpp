#include "engine/filgraphmanager.h"

#include "engine/audiochain.h"
#include "engine/disc.h"
#include "engine/discopen.h"
#include "engine/engine.h"
#include "engine/videochain.h"
#include "engine/videowidget.h"
#include "runtime/offthread.h"
#include "runtime/openguard.h"
#include "runtime/steps.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <gst/video/videooverlay.h>
#include <sys/stat.h>

namespace veltrin {

namespace {

// A regular, readable file. Anything else (FIFO, device, socket, folder) is
// refused before the graph sees it: GStreamer 1.22's file source would
// block inside open() on a FIFO.
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

} // namespace

FilgraphManager::FilgraphManager()
    : m_frames(std::make_shared<FrameSlot>())
{
    initialiseEngine();
    try {
        m_playbin = makeRequiredElement("playbin");
        m_nativeSink = nativeSinkAvailable();
        buildSinks();
    } catch (const Failure&) {
        // A plugin is missing: the graph stays empty and RenderFile fails.
        m_video.reset();
        m_audio.reset();
        m_playbin.reset();
        return;
    }
    tuneLibavDecoders(m_playbin.get());
    if (m_nativeSink) {
        // The sink looks for its window while prerolling, on a streaming
        // thread: the window must exist before RenderFile.
        m_widget = new VideoWidget(m_frames);
        m_widget->useNativeSink([this] {
            if (m_video)
                gst_video_overlay_expose(GST_VIDEO_OVERLAY(m_video->sink()));
        });
        attachNativeWindow();
    }
    m_bus = BusHandle::adopt(gst_element_get_bus(m_playbin.get()));
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
    // A graph being torn down reads as stopped to its last observer.
    m_rendered = false;
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
    m_video = std::make_unique<VideoChain>(m_nativeSink, m_frames, this);
    m_statistics.watch(m_video->input());
    m_audio = std::make_unique<AudioChain>();
    g_object_set(m_playbin.get(), "video-sink", m_video->bin(), "audio-filter",
        m_audio->filter.get(), "audio-sink", m_audio->output.get(), nullptr);
    // No subtitles or visualisations: only what the player shows. The
    // video goes to our chain as decoded: playbin's own conversion chain
    // (converter, scaler, colour balance, deinterlacer) would scale in front
    // of ours whatever the sizes, at a cost measured in bench/BENCH.md.
    gint flags = 0;
    g_object_get(m_playbin.get(), "flags", &flags, nullptr);
    // Off: text, vis, deinterlace, colour balance.
    flags &= ~((1 << 2) | (1 << 3) | (1 << 9) | (1 << 10));
    flags |= 1 << 6; // native video
    g_object_set(m_playbin.get(), "flags", flags, nullptr);
}

GstElement* FilgraphManager::videoSink() const
{
    return m_video ? m_video->sink() : nullptr;
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
    // Declared first, released last: a handler that runs while the open waits
    // may drop every other reference to this graph.
    const std::shared_ptr<FilgraphManager> keepAlive = weak_from_this().lock();
    if (!m_playbin || m_rendered || m_opening)
        throw Failure("graph cannot render");
    // A second open would wait inside the first one's wait, which could then
    // not return before the second had.
    if (OpenInProgress::active())
        throw Failure("another file is being opened");
    const OpenInProgress opening;
    struct Opening {
        FilgraphManager& graph;
        explicit Opening(FilgraphManager& g)
            : graph(g)
        {
            graph.m_opening = true;
        }
        ~Opening()
        {
            graph.m_opening = false;
            if (std::exchange(graph.m_deleteAfterOpen, false)) {
                // Qt drops a second deleteLater while any other event for the
                // object is queued (a frame's repaint, say): the graph would
                // live on. Those events would die with it anyway.
                QCoreApplication::removePostedEvents(&graph);
                graph.deleteLater();
            }
        }
        Opening(const Opening&) = delete;
        Opening& operator=(const Opening&) = delete;
    } const marked(*this);

    const QDeadlineTimer deadline(kPrerollTimeout);
    // A file inside a disc image or on a drive's disc goes through our source.
    std::optional<QString> discUri;
    std::optional<DiscFileLease> lease;
    if (pathMayBeOnDisc(path)) {
        // Finding the file on a disc reads it, and a drive may take seconds
        // to spin up: that happens off the GUI thread, and the source then
        // starts on the file opened here.
        struct Found {
            std::optional<QString> uri;
            bool playable = false;
            DiscPath where;
            OpenedDiscFile opened;
        };
        std::optional<Found> found = runOffThread<Found>(
            [path] {
                Found f;
                f.uri = discUriForPath(path);
                const std::optional<DiscPath> where = f.uri ? parseDiscUri(*f.uri) : std::nullopt;
                if (where) {
                    f.where = *where;
                    f.opened = openDiscFile(*where);
                    f.playable = f.opened.file != nullptr;
                } else {
                    // An audio track (its source reads the drive itself) or
                    // a file the kernel reads.
                    f.playable = f.uri || isPlayableFile(path);
                }
                return f;
            },
            kPrerollTimeout);
        if (!found)
            throw Failure("the disc did not answer in time");
        if (!found->playable)
            throw Failure("not a playable file");
        discUri = std::move(found->uri);
        if (found->opened.file)
            lease.emplace(std::move(found->where), std::move(found->opened));
    } else if (!isPlayableFile(path)) {
        throw Failure("not a playable file");
    }

    const QByteArray uri = discUri
        ? discUri->toUtf8()
        : QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    g_object_set(m_playbin.get(), "uri", uri.constData(), nullptr);
    // Messages of an earlier attempt must not decide this one.
    gst_bus_set_flushing(m_bus.get(), TRUE);
    gst_bus_set_flushing(m_bus.get(), FALSE);

    const GstStateChangeReturn ret = gst_element_set_state(m_playbin.get(), GST_STATE_PAUSED);
    const bool ok = ret == GST_STATE_CHANGE_SUCCESS || ret == GST_STATE_CHANGE_NO_PREROLL
        || (ret == GST_STATE_CHANGE_ASYNC && waitForPreroll(deadline));
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
        const auto pad = PadHandle::adopt(raw);
        const auto caps = CapsHandle::adopt(pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
        m_nativeSize = pictureSize(caps.get());
        m_hasVideo = m_nativeSize.isValid();
    }
    // Nothing to hear or see (a file of subtitles alone): nothing to play.
    if (!m_hasAudio && !m_hasVideo) {
        gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
        throw Failure("no audio or video stream");
    }
    m_rendered = true;
    m_duration.reset();
    if (m_hasVideo) {
        if (!m_widget)
            m_widget = new VideoWidget(m_frames);
        m_widget->place(QRect(QPoint(), m_nativeSize));
        m_widget->setResizeHandler([this](QSize size) { onVideoResized(size); });
    } else {
        delete m_widget.data();
    }
    // The preroll's state changes were read, and dropped, while waiting for it.
    notifyStatus();
}

bool FilgraphManager::waitForPreroll(const QDeadlineTimer& bound)
{
    // Decoders load, a disc spins up: the window must not freeze meanwhile.
    // Input waits in Qt's queue until the open has returned.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(std::max<qint64>(bound.remainingTime(), 0));
    m_preroll = Preroll::Waiting;
    m_prerollLoop = &loop;
    // What the bus holds already does not wake the loop again.
    dispatchBusMessages();
    if (m_preroll == Preroll::Waiting)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    // Left at the bound, or by the application quitting: not prerolled.
    m_prerollLoop = nullptr;
    return m_preroll == Preroll::Done;
}

bool FilgraphManager::event(QEvent* event)
{
    // The wait's loop delivers deferred deletes posted from inside it.
    if (event->type() == QEvent::DeferredDelete && m_opening) {
        m_deleteAfterOpen = true;
        return true;
    }
    return QObject::event(event);
}

void FilgraphManager::attachNativeWindow()
{
    // Qt may give the widget a new X window when it changes parent.
    if (!m_nativeSink || !m_widget || !m_video)
        return;
    const WId window = m_widget->winId();
    if (window == m_attachedWindow)
        return;
    m_attachedWindow = window;
    gst_video_overlay_set_window_handle(
        GST_VIDEO_OVERLAY(m_video->sink()), static_cast<guintptr>(window));
}

void FilgraphManager::recordStatistics()
{
    if (!m_hasVideo || !m_video || !VideoStatistics::enabled())
        return;
    const SampleHandle shownLast = m_video->lastShownSample();
    m_statistics.record(m_video->sink(), m_nativeSink,
        static_cast<quint64>(m_widget ? m_widget->distinctFramesPainted() : 0), shownLast.get());
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
    // Where the graph is going: a seek while playing passes through paused
    // for a moment, and must not read as a pause.
    switch (targetState()) {
    case GST_STATE_PLAYING: return PlaybackState::Playing;
    case GST_STATE_PAUSED: return PlaybackState::Paused;
    default: return PlaybackState::Stopped;
    }
}

void FilgraphManager::setStatusObserver(std::function<void()> changed)
{
    m_statusObserver = std::move(changed);
}

void FilgraphManager::notifyStatus()
{
    if (m_statusObserver)
        m_statusObserver();
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
    // every sink through two layers of bins, at a cost measured in bench/BENCH.md.
    GstElement* timing = m_hasAudio ? m_audio->device.get()
        : m_hasVideo                ? m_video->sink()
                                    : nullptr;
    // One query, reused: making one per tick is a cost of its own (bench/BENCH.md).
    if (!m_positionQuery)
        m_positionQuery = QueryHandle::adopt(gst_query_new_position(GST_FORMAT_TIME));
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
    // graph settles where it was (seen with GStreamer 1.22's playbin). Seek again (a bounded number
    // of times) rather than report the old position as the new one.
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
    // The position is the sinks' again, no longer the target: watchers that
    // predict it from the last one they read look again.
    notifyStatus();
}

void FilgraphManager::endOnError()
{
    // The length is asked once the stream is gone: learn it while it is known.
    skipOnFailure([&] { Duration(); });
    // A seek waiting to settle never will.
    m_seekTarget.reset();
    m_seekRetries = 0;
    m_eos = true;
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
    notifyStatus();
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
    g_object_set(m_audio->panorama.get(), "panorama", static_cast<gfloat>(p), nullptr);
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
    if (m_audio)
        g_object_get(m_audio->panorama.get(), "panorama", &p, nullptr);
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
    m_widget->setParent(owner);
    m_widget->place(m_widget->placement());
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
    return m_widget->placement().width();
}

int FilgraphManager::Height() const
{
    requireVideo();
    return m_widget->placement().height();
}

void FilgraphManager::setLeft(int x)
{
    requireVideo();
    m_widget->place(m_widget->placement().translated(x - m_widget->placement().x(), 0));
}

void FilgraphManager::setTop(int y)
{
    requireVideo();
    m_widget->place(m_widget->placement().translated(0, y - m_widget->placement().y()));
}

void FilgraphManager::setWidth(int w)
{
    requireVideo();
    m_widget->place(QRect(m_widget->placement().topLeft(), QSize(std::max(0, w), Height())));
    onVideoResized(m_widget->deviceSize());
}

void FilgraphManager::setHeight(int h)
{
    requireVideo();
    m_widget->place(QRect(m_widget->placement().topLeft(), QSize(Width(), std::max(0, h))));
    onVideoResized(m_widget->deviceSize());
}

void FilgraphManager::SetWindowPosition(int left, int top, int width, int height)
{
    requireVideo();
    m_widget->place(QRect(left, top, std::max(0, width), std::max(0, height)));
    // A hidden widget hears of its size only when shown, which at start-up
    // comes after Run: the frames must be made at this size before then, or
    // the first one, made for the window's default size, stays on screen
    // until the stream's first frame is due (half a second into an MPEG
    // program stream).
    onVideoResized(m_widget->deviceSize());
}

void FilgraphManager::onVideoResized(QSize size)
{
    // `size` is in device pixels: frames are made for the screen's pixels.
    if (size.width() < 1 || size.height() < 1 || size == m_frameSize)
        return;
    m_frameSize = size;
    m_video->setTargetSize(m_nativeSize, size);
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

bool FilgraphManager::shownFrameFits() const
{
    const SampleHandle shown = m_video->lastShownSample();
    return shown && pictureSize(gst_sample_get_caps(shown.get())) == m_frameSize;
}

void FilgraphManager::dispatchBusMessages()
{
    while (const auto msg = MessageHandle::adopt(gst_bus_pop(m_bus.get()))) {
        if (m_prerollLoop) {
            // The preroll's state changes are dropped: nothing is loaded
            // until RenderFile returns, and it tells observers then. What
            // follows its end is dispatched as usual, after RenderFile.
            const bool fromPipeline = GST_MESSAGE_SRC(msg.get()) == GST_OBJECT(m_playbin.get());
            if (GST_MESSAGE_TYPE(msg.get()) == GST_MESSAGE_ERROR)
                m_preroll = Preroll::Failed;
            else if (GST_MESSAGE_TYPE(msg.get()) == GST_MESSAGE_ASYNC_DONE && fromPipeline)
                m_preroll = Preroll::Done;
            if (m_preroll != Preroll::Waiting) {
                m_prerollLoop->quit();
                return;
            }
            continue;
        }
        switch (GST_MESSAGE_TYPE(msg.get())) {
        case GST_MESSAGE_EOS:
            // An end reported while a seek is still settling belongs to the
            // stream before the seek: a rewind at the last moment must not be
            // undone by it.
            if (!m_seekTarget) {
                m_eos = true;
                // The position has jumped to the end: watchers redraw now.
                notifyStatus();
            }
            break;
        case GST_MESSAGE_ERROR:
            // Errors while prerolling are RenderFile's to report.
            if (m_rendered) {
                endOnError();
                notifyStatus(); // the position jumps to the end here too
            }
            break;
        case GST_MESSAGE_DURATION_CHANGED:
            m_duration.reset();
            notifyStatus(); // the remaining time moves with it
            break;
        case GST_MESSAGE_ASYNC_DONE:
            if (GST_MESSAGE_SRC(msg.get()) == GST_OBJECT(m_playbin.get()))
                settleSeek();
            break;
        case GST_MESSAGE_STATE_CHANGED:
            if (GST_MESSAGE_SRC(msg.get()) == GST_OBJECT(m_playbin.get())) {
                GstState newState = GST_STATE_VOID_PENDING;
                gst_message_parse_state_changed(msg.get(), nullptr, &newState, nullptr);
                emit stateChanged(newState);
                notifyStatus();
            }
            break;
        default: break;
        }
    }
}

} // namespace veltrin

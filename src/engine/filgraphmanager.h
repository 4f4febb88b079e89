#pragma once

#include "engine/gsthandle.h"
#include "engine/interfaces.h"
#include "engine/playbackstats.h"
#include "engine/videowidget.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <chrono>
#include <memory>
#include <optional>

class QEventLoop;
class QSocketNotifier;

namespace veltrin {

struct AudioChain;
class FrameSlot;
class VideoChain;
class VideoWidget;

// The playback graph: one playbin pipeline reached through the four
// interfaces. It lives on the GUI thread; GStreamer's streaming threads only
// hand frames over through a FrameSlot and wake the GUI thread through Qt's
// event loop. A graph whose elements cannot all be made (a plugin missing)
// is empty for good: RenderFile fails.
//
// RenderFile returns once the file has prerolled, but waits in a nested event
// loop so the window keeps painting; it marks the wait with an OpenInProgress
// scope for the player's handlers to respect. The graph itself is safe from
// what those handlers may still do meanwhile: a second open (of this or any
// graph) fails at once, every other call finds nothing loaded yet, the graph
// keeps itself alive when the last outside reference goes, and a deleteLater
// takes effect only once the open has returned.
class FilgraphManager : public QObject,
                        public std::enable_shared_from_this<FilgraphManager>,
                        public IMediaControl,
                        public IMediaPosition,
                        public IBasicAudio,
                        public IVideoWindow,
                        public IGraphStatus {
    Q_OBJECT
public:
    // RenderFile gives up when the file has not prerolled by then.
    static constexpr std::chrono::milliseconds kPrerollTimeout { 5000 };

    FilgraphManager();
    ~FilgraphManager() override;
    FilgraphManager(const FilgraphManager&) = delete;
    FilgraphManager& operator=(const FilgraphManager&) = delete;

    // IMediaControl
    void RenderFile(const QString& path) override;
    void Run() override;
    void Pause() override;
    void Stop() override;
    void StopWhenReady() override;

    // IMediaPosition
    double Duration() const override;
    double CurrentPosition() const override;
    void setCurrentPosition(double seconds) override;
    void setRate(double rate) override;

    // IBasicAudio
    void setVolume(int volume) override;
    void setBalance(int balance) override;

    // IVideoWindow
    void setWindowStyle(int style) override;
    void setOwner(QWidget* owner) override;
    void setMessageDrain(QWidget* drain) override;
    int Width() const override;
    int Height() const override;
    void setLeft(int x) override;
    void setTop(int y) override;
    void setWidth(int w) override;
    void setHeight(int h) override;
    void SetWindowPosition(int left, int top, int width, int height) override;

    // IGraphStatus
    PlaybackState playbackState() const override;
    bool hasVideo() const override { return m_hasVideo; }
    double rate() const override { return m_rate; }
    void setStatusObserver(std::function<void()> changed) override;

    // Observation for tests and diagnostics; none of this is used by the player.
    bool isRendered() const { return m_rendered; }
    bool hasAudio() const { return m_hasAudio; }
    // At the end of the stream, or stopped there by an error while playing.
    bool atEnd() const { return m_eos; }
    GstState state() const;
    double volumeGain() const; // linear gain applied to both channels
    double panorama() const; // -1..1, the audiopanorama setting
    QSize nativeSize() const { return m_nativeSize; }
    VideoWidget* videoWidget() const { return m_widget; }
    GstElement* pipeline() const { return m_playbin.get(); }
    GstElement* videoSink() const;

    // Streaming threads store frames here.
    std::shared_ptr<FrameSlot> frameSlot() const;

protected:
    bool event(QEvent* event) override;

signals:
    // The pipeline reached a state (also the same one again, after a seek);
    // sent from the GUI thread's bus dispatch, never from a streaming thread.
    void stateChanged(GstState state);

private slots:
    void repaintVideo();

private:
    // The state the pipeline was last asked to reach.
    GstState targetState() const;
    void requireRendered() const;
    void requireVideo() const;
    void requireAudio() const;
    void setState(GstState state);
    // Runs the event loop, without user input, until the pipeline has
    // prerolled (true), has failed, or the bound has passed.
    bool waitForPreroll(const QDeadlineTimer& bound);
    void seek(double seconds, double rate);
    void dispatchBusMessages();
    void settleSeek();
    void onVideoResized(QSize size);
    // Whether the frame the sink holds was made at the video window's size.
    bool shownFrameFits() const;
    void buildSinks();
    void attachNativeWindow();
    void recordStatistics();
    // The stream stopped short (read error, decoder that gave up): the track
    // ends there as it would at its end.
    void endOnError();
    void notifyStatus();

    ElementHandle m_playbin;
    std::unique_ptr<VideoChain> m_video;
    std::unique_ptr<AudioChain> m_audio;
    BusHandle m_bus;
    std::unique_ptr<QSocketNotifier> m_busNotifier;
    std::shared_ptr<FrameSlot> m_frames;
    QPointer<VideoWidget> m_widget;
    QSize m_nativeSize;
    QSize m_frameSize;
    bool m_rendered = false;
    bool m_hasVideo = false;
    bool m_hasAudio = false;
    bool m_eos = false;
    bool m_refreshQueued = false;
    // RenderFile is waiting for the preroll in this loop.
    QEventLoop* m_prerollLoop = nullptr;
    enum class Preroll { Waiting, Done, Failed } m_preroll = Preroll::Waiting;
    bool m_opening = false;
    bool m_deleteAfterOpen = false;
    // X11: an image sink draws into the video widget's own window; elsewhere
    // (offscreen) frames go through an appsink and are painted by Qt.
    bool m_nativeSink = false;
    WId m_attachedWindow = 0;
    double m_rate = 1.0;
    std::function<void()> m_statusObserver;
    std::optional<double> m_seekTarget; // a seek not yet settled
    int m_seekRetries = 0;
    std::chrono::steady_clock::time_point m_seekIssuedAt;
    static constexpr double kSeekTolerance = 0.5; // seconds
    static constexpr int kMaxSeekRetries = 2;
    // A file's length does not change while it plays; asked every 10 ms.
    mutable std::optional<double> m_duration;
    // Positions asked in one burst (the timeline asks three times per tick)
    // share one query.
    mutable std::optional<double> m_position;
    mutable std::chrono::steady_clock::time_point m_positionAt;
    mutable QueryHandle m_positionQuery;
    VideoStatistics m_statistics;
};

} // namespace veltrin

#pragma once

#include "engine/interfaces.h"
#include "runtime/steps.h"

#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace veltrin::test {

// A scripted playback graph for the player's pure logic. It records every call
// in order ("RenderFile x", "Run", "Pos=0", ...) into a log shared by all fake
// graphs of one factory, so tests see the sequence across re-opens.
struct FakeMedia {
    double duration = 10.0;
    bool audio = true;
    QSize video { 352, 288 }; // empty: no video stream
};

class FakeGraph : public IMediaControl,
                  public IMediaPosition,
                  public IBasicAudio,
                  public IVideoWindow,
                  public IGraphStatus {
public:
    FakeGraph(std::shared_ptr<QStringList> log,
        std::function<std::optional<FakeMedia>(const QString&)> media)
        : m_log(std::move(log))
        , m_media(std::move(media))
    {
    }

    void RenderFile(const QString& path) override
    {
        *m_log << QStringLiteral("RenderFile ") + path;
        m_loaded = m_media(path);
        if (!m_loaded)
            throw Failure("cannot render");
        if (!m_loaded->video.isEmpty())
            geometry = QRect(QPoint(0, 0), m_loaded->video);
    }
    ~FakeGraph() override
    {
        if (auto observer = std::exchange(m_observer, {}))
            observer();
    }

    void Run() override
    {
        *m_log << QStringLiteral("Run");
        running = true;
        notify();
    }
    void Pause() override
    {
        *m_log << QStringLiteral("Pause");
        running = false;
        notify();
    }
    void Stop() override
    {
        *m_log << QStringLiteral("Stop");
        running = false;
        notify();
    }
    void StopWhenReady() override { *m_log << QStringLiteral("StopWhenReady"); }

    double Duration() const override { return m_loaded ? m_loaded->duration : 0.0; }
    double CurrentPosition() const override { return m_loaded ? position : 0.0; }
    void setCurrentPosition(double s) override
    {
        if (!m_loaded)
            throw Failure("nothing loaded");
        *m_log << QStringLiteral("Pos=%1").arg(s);
        position = s;
    }
    void setRate(double r) override
    {
        if (!m_loaded)
            throw Failure("nothing loaded");
        *m_log << QStringLiteral("Rate=%1").arg(r);
        m_rate = r;
        notify();
    }

    void setVolume(int v) override
    {
        requireAudio();
        *m_log << QStringLiteral("Volume=%1").arg(v);
        volume = v;
    }
    void setBalance(int b) override
    {
        requireAudio();
        *m_log << QStringLiteral("Balance=%1").arg(b);
        balance = b;
    }

    void setWindowStyle(int) override { requireVideo(); }
    void setOwner(QWidget* o) override
    {
        requireVideo();
        owner = o;
        *m_log << QStringLiteral("Owner");
    }
    void setMessageDrain(QWidget* d) override
    {
        requireVideo();
        drain = d;
    }
    int Width() const override
    {
        requireVideo();
        return geometry.width();
    }
    int Height() const override
    {
        requireVideo();
        return geometry.height();
    }
    void setLeft(int x) override
    {
        requireVideo();
        geometry.moveLeft(x);
    }
    void setTop(int y) override
    {
        requireVideo();
        geometry.moveTop(y);
    }
    void setWidth(int w) override
    {
        requireVideo();
        geometry.setWidth(w);
    }
    void setHeight(int h) override
    {
        requireVideo();
        geometry.setHeight(h);
    }
    void SetWindowPosition(int l, int t, int w, int h) override
    {
        requireVideo();
        geometry = QRect(l, t, w, h);
        *m_log << QStringLiteral("SetWindowPosition %1 %2 %3 %4").arg(l).arg(t).arg(w).arg(h);
    }

    // IGraphStatus: a loaded graph is paused until it runs.
    PlaybackState playbackState() const override
    {
        if (!m_loaded)
            return PlaybackState::Stopped;
        return running ? PlaybackState::Playing : PlaybackState::Paused;
    }
    bool hasVideo() const override { return m_loaded && !m_loaded->video.isEmpty(); }
    double rate() const override { return m_rate; }
    void setStatusObserver(std::function<void()> changed) override
    {
        m_observer = std::move(changed);
    }

    double position = 0.0;
    int volume = 0;
    int balance = 0;
    bool running = false;
    QRect geometry;
    QWidget* owner = nullptr;
    QWidget* drain = nullptr;

private:
    void requireAudio() const
    {
        if (!m_loaded || !m_loaded->audio)
            throw Failure("no audio");
    }
    void requireVideo() const
    {
        if (!m_loaded || m_loaded->video.isEmpty())
            throw Failure("no video");
    }

    void notify() const
    {
        if (m_observer)
            m_observer();
    }

    double m_rate = 1.0;
    std::function<void()> m_observer;
    std::shared_ptr<QStringList> m_log;
    std::function<std::optional<FakeMedia>(const QString&)> m_media;
    std::optional<FakeMedia> m_loaded;
};

// The paths the graphs of a log were asked to render, in order.
inline QStringList renderedPaths(const QStringList& log)
{
    const QString prefix = QStringLiteral("RenderFile ");
    QStringList paths;
    for (const QString& entry : log) {
        if (entry.startsWith(prefix))
            paths << entry.mid(prefix.size());
    }
    return paths;
}

// Hands out fake graphs and remembers the newest one.
struct FakeGraphFactory {
    std::shared_ptr<QStringList> log = std::make_shared<QStringList>();
    // Which paths render, and as what; by default every path ending in a
    // media-looking name renders as 10 s of video with audio.
    std::function<std::optional<FakeMedia>(const QString&)> media = [](const QString& path) {
        return path.endsWith(u'/') ? std::nullopt : std::optional<FakeMedia>(FakeMedia {});
    };
    std::shared_ptr<std::weak_ptr<FakeGraph>> newest = std::make_shared<std::weak_ptr<FakeGraph>>();
    int created = 0;

    GraphFactory factory()
    {
        return [this] {
            auto g = std::make_shared<FakeGraph>(log, media);
            *newest = g;
            ++created;
            return GraphRefs { g, g, g, g, g };
        };
    }
    std::shared_ptr<FakeGraph> graph() const { return newest->lock(); }
};

} // namespace veltrin::test

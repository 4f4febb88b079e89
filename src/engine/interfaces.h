#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace veltrin {

// The four interfaces of the playback graph. Every call either does what it
// says or throws Failure; the player decides per call site whether a failure
// skips a step or ends the operation.

class IMediaControl {
public:
    virtual ~IMediaControl() = default;
    // Builds the graph for a local file and waits, bounded, until it can play.
    virtual void RenderFile(const QString& path) = 0;
    virtual void Run() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual void StopWhenReady() = 0;
};

class IMediaPosition {
public:
    virtual ~IMediaPosition() = default;
    virtual double Duration() const = 0; // seconds
    virtual double CurrentPosition() const = 0; // seconds
    virtual void setCurrentPosition(double seconds) = 0;
    virtual void setRate(double rate) = 0;
};

class IBasicAudio {
public:
    virtual ~IBasicAudio() = default;
    // Hundredths of a decibel: volume -10000..0, balance -10000..10000.
    virtual void setVolume(int volume) = 0;
    virtual void setBalance(int balance) = 0;
};

class IVideoWindow {
public:
    virtual ~IVideoWindow() = default;
    virtual void setWindowStyle(int style) = 0;
    // The "window handle" is the widget the video window becomes a child of.
    virtual void setOwner(QWidget* owner) = 0;
    virtual void setMessageDrain(QWidget* drain) = 0;
    virtual int Width() const = 0; // native size right after RenderFile
    virtual int Height() const = 0;
    virtual void setLeft(int x) = 0;
    virtual void setTop(int y) = 0;
    virtual void setWidth(int w) = 0;
    virtual void setHeight(int h) = 0;
    virtual void SetWindowPosition(int left, int top, int width, int height) = 0;
};

// How far a graph is from playing, as its neighbours see it: a graph that
// has nothing loaded, or is being torn down, is stopped.
enum class PlaybackState { Stopped, Paused, Playing };

// What a graph tells those who watch it (the desktop's media controls, the
// screen saver): its state, whether it shows a picture, and its rate.
class IGraphStatus {
public:
    virtual ~IGraphStatus() = default;
    virtual PlaybackState playbackState() const = 0;
    virtual bool hasVideo() const = 0;
    virtual double rate() const = 0;
    // The observer runs on the GUI thread whenever any of the three may have
    // changed, and once more when the graph goes away. One observer at a
    // time; an empty function removes it.
    virtual void setStatusObserver(std::function<void()> changed) = 0;
};

// The references of one playback graph; any may be empty. `status` is the
// same graph seen by observers.
struct GraphRefs {
    std::shared_ptr<IMediaControl> control;
    std::shared_ptr<IBasicAudio> audio;
    std::shared_ptr<IMediaPosition> position;
    std::shared_ptr<IVideoWindow> video;
    std::shared_ptr<IGraphStatus> status;
};

// Makes a new graph. The player uses the GStreamer graph; tests of the pure
// logic may hand in a fake.
using GraphFactory = std::function<GraphRefs()>;

// A new graph over GStreamer.
GraphRefs makeGStreamerGraph();

} // namespace veltrin

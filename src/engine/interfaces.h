#pragma once

#include <QString>

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

} // namespace veltrin

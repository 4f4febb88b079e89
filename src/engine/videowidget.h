#pragma once

#include "engine/gsthandle.h"

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace veltrin {

// The newest decoded frame, handed from GStreamer's streaming thread to the GUI
// thread. Frames arrive converted to BGRx and scaled to the video window's size.
class FrameSlot {
public:
    // Streaming thread. Returns true when the GUI thread must be asked to
    // repaint (no repaint request is outstanding yet).
    bool store(SampleHandle sample);
    // GUI thread: a new reference to the newest frame (may be empty); clears
    // the outstanding repaint request.
    SampleHandle take();
    SampleHandle peek() const;

private:
    mutable std::mutex m_mutex;
    SampleHandle m_sample;
    std::atomic<bool> m_updatePending { false };
};

// The video window: shows the newest frame; mouse and key input can be
// forwarded to another widget (the message drain).
class VideoWidget : public QWidget {
    Q_OBJECT
public:
    explicit VideoWidget(std::shared_ptr<FrameSlot> frames, QWidget* parent = nullptr);

    void setMessageDrain(QWidget* drain);
    // Where the owner wants the video, in the parent's logical pixels: the
    // widget's geometry, but for a native window whose far edge Qt's rounding
    // would put a pixel past the same rectangle painted by Qt (over the
    // owner's border, at a fractional pixel ratio); that one is a logical
    // pixel smaller. placement() stays what was asked.
    void place(QRect placement);
    QRect placement() const { return m_placement; }
    // The size, in the screen's pixels, of a frame that covers the widget
    // pixel for pixel: its size scaled by the device pixel ratio, rounded as
    // Qt rounds the size of a native window.
    QSize deviceSize() const;
    // Called with the new device size whenever the widget is resized or
    // moves to a screen of another pixel ratio.
    void setResizeHandler(std::function<void(QSize)> handler) { m_onResize = std::move(handler); }

    // The newest frame as an image (a copy), for tests and screenshots.
    QImage currentFrame() const;
    int framesPainted() const { return m_framesPainted; }
    // Distinct frames painted (a repaint of the same frame does not count).
    int distinctFramesPainted() const { return m_distinctFrames; }

    // On X11 a video sink draws straight into this widget's own X window;
    // Qt then paints nothing there and an expose asks the sink to redraw.
    void useNativeSink(std::function<void()> expose);
    bool usesNativeSink() const { return static_cast<bool>(m_expose); }
    QPaintEngine* paintEngine() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::shared_ptr<FrameSlot> m_frames;
    QPointer<QWidget> m_drain;
    QRect m_placement;
    std::function<void(QSize)> m_onResize;
    std::function<void()> m_expose;
    int m_framesPainted = 0;
    int m_distinctFrames = 0;
    GstClockTime m_lastPts = GST_CLOCK_TIME_NONE;
};

} // namespace veltrin

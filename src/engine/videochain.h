#pragma once

#include "engine/gsthandle.h"

#include <QSize>
#include <memory>

class QObject;

namespace veltrin {

class FrameSlot;

// The picture size the caps give; invalid when they give none.
QSize pictureSize(const GstCaps* caps);

// Whether frames go straight into the video widget's own X window (X11 with
// an image sink) rather than through an appsink painted by Qt.
bool nativeSinkAvailable();

// Gives each libav video decoder playbin sets up a thread count for the
// pictures it is about to decode.
void tuneLibavDecoders(GstElement* playbin);

// The video path handed to playbin as its video sink: deinterlace, then
// scale and convert to the window's size on the streaming thread, so the GUI
// thread only copies finished frames.
class VideoChain {
public:
    // Throws Failure when one of its elements cannot be made. With an
    // appsink, frames go to the slot and `repaint`'s repaintVideo() slot is
    // invoked (queued) for each new one; the owner stops the graph before
    // the slot's receiver goes away.
    VideoChain(bool nativeSink, std::shared_ptr<FrameSlot> frames, QObject* repaint);
    VideoChain(const VideoChain&) = delete;
    VideoChain& operator=(const VideoChain&) = delete;

    GstElement* bin() const { return m_bin.get(); }
    GstElement* sink() const { return m_sink.get(); }
    // Where decoded pictures enter the chain.
    GstPad* input() const { return m_input.get(); }

    // Frames are made at `target` from pictures of `native` size.
    void setTargetSize(QSize native, QSize target);
    // The frame the sink holds (shown, or waiting to be while paused).
    SampleHandle lastShownSample() const;

private:
    ElementHandle m_bin;
    ElementHandle m_sink;
    ElementHandle m_capsfilter;
    ElementHandle m_prescaleCaps; // how pictures reach the converter: format and size, or any
    PadHandle m_input;
};

} // namespace veltrin

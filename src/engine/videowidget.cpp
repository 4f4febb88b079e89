#include "engine/videowidget.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <gst/video/video.h>

namespace veltrin {

namespace {

// Wraps a mapped BGRx frame as an image without copying; valid while mapped.
struct MappedFrame {
    GstVideoFrame frame {};
    bool ok = false;
    explicit MappedFrame(GstSample* sample)
    {
        GstVideoInfo info;
        GstCaps* caps = gst_sample_get_caps(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        ok = caps && buffer && gst_video_info_from_caps(&info, caps)
            && gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ);
    }
    ~MappedFrame()
    {
        if (ok)
            gst_video_frame_unmap(&frame);
    }
    MappedFrame(const MappedFrame&) = delete;
    MappedFrame& operator=(const MappedFrame&) = delete;
    QImage image() const
    {
        if (!ok)
            return {};
        return QImage(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
            GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
            GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
    }
};

} // namespace

bool FrameSlot::store(SampleHandle sample)
{
    {
        std::lock_guard lock(m_mutex);
        m_sample = std::move(sample);
    }
    // One queued repaint at a time: frames that arrive before it runs replace
    // each other instead of piling up events.
    return !m_updatePending.exchange(true);
}

SampleHandle FrameSlot::take()
{
    m_updatePending = false;
    return peek();
}

SampleHandle FrameSlot::peek() const
{
    std::lock_guard lock(m_mutex);
    return m_sample.share();
}

VideoWidget::VideoWidget(std::shared_ptr<FrameSlot> frames, QWidget* parent)
    : QWidget(parent)
    , m_frames(std::move(frames))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

QSize VideoWidget::deviceSize() const
{
    // QWindow scales each of a native window's dimensions on its own and
    // rounds to nearest (Qt 6.4, QHighDpi::scale); a frame of this size fills
    // the X window an image sink draws into without a gap or a cut-off edge.
    return size() * devicePixelRatioF();
}

void VideoWidget::place(QRect placement)
{
    m_placement = placement;
    QRect geometry = placement;
    QWidget* parent = parentWidget();
    QWidget* nativeParent = parent ? parent->nativeParentWidget() : nullptr;
    if (m_expose && nativeParent) {
        // Qt 6.4 scales a native child window's offset in its native parent
        // and its size each to the nearest pixel, where the painter covers
        // the pixels from round(start) to round(end): 58.5 + 577.5 at 1.5
        // ends on pixel 637, the painted area on 636.
        const qreal ratio = devicePixelRatioF();
        const QPoint origin = parent->mapTo(nativeParent, placement.topLeft());
        const auto overshoots = [ratio](int start, int length) {
            return length > 1
                && qRound(start * ratio) + qRound(length * ratio)
                > qRound((start + length) * ratio);
        };
        if (overshoots(origin.x(), placement.width()))
            geometry.setWidth(placement.width() - 1);
        if (overshoots(origin.y(), placement.height()))
            geometry.setHeight(placement.height() - 1);
    }
    setGeometry(geometry);
}

QImage VideoWidget::currentFrame() const
{
    SampleHandle sample = m_frames->peek();
    if (!sample)
        return {};
    MappedFrame mapped(sample.get());
    return mapped.image().copy();
}

void VideoWidget::useNativeSink(std::function<void()> expose)
{
    m_expose = std::move(expose);
    // Our own X window, without turning the player's other widgets native.
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    winId();
}

QPaintEngine* VideoWidget::paintEngine() const
{
    return m_expose ? nullptr : QWidget::paintEngine();
}

void VideoWidget::paintEvent(QPaintEvent*)
{
    if (m_expose) {
        m_expose();
        return;
    }
    SampleHandle sample = m_frames->take();
    QPainter painter(this);
    if (!sample) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    MappedFrame mapped(sample.get());
    QImage image = mapped.image();
    // Frames are made at the device size: drawn 1:1, sharp on a HiDPI screen.
    image.setDevicePixelRatio(devicePixelRatioF());
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    const GstClockTime pts = buffer ? GST_BUFFER_PTS(buffer) : GST_CLOCK_TIME_NONE;
    if (pts != m_lastPts || !GST_CLOCK_TIME_IS_VALID(pts))
        ++m_distinctFrames;
    m_lastPts = pts;
    if (image.size() == deviceSize()) {
        painter.drawImage(QPointF(0, 0), image);
    } else {
        // Only until the next frame arrives at the new size.
        painter.drawImage(QRectF(rect()), image);
    }
    ++m_framesPainted;
}

void VideoWidget::resizeEvent(QResizeEvent*)
{
    if (m_onResize)
        m_onResize(deviceSize());
}

void VideoWidget::setMessageDrain(QWidget* drain)
{
    m_drain = drain;
}

bool VideoWidget::event(QEvent* event)
{
    // Moved to a screen of another pixel ratio: same size, other pixels.
    if (event->type() == QEvent::ScreenChangeInternal && m_onResize)
        m_onResize(deviceSize());
    // Input over the video goes to the drain, in the drain's coordinates.
    if (m_drain) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPointF local = m_drain->mapFromGlobal(me->globalPosition());
            QMouseEvent forwarded(me->type(), local, me->scenePosition(), me->globalPosition(),
                me->button(), me->buttons(), me->modifiers());
            QCoreApplication::sendEvent(m_drain, &forwarded);
            return true;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* ke = static_cast<QKeyEvent*>(event);
            QKeyEvent forwarded(ke->type(), ke->key(), ke->modifiers(), ke->text(),
                ke->isAutoRepeat(), static_cast<ushort>(ke->count()));
            QCoreApplication::sendEvent(m_drain, &forwarded);
            return true;
        }
        default: break;
        }
    }
    return QWidget::event(event);
}

} // namespace veltrin

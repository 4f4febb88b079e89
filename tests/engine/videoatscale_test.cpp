#include "engine/filgraphmanager.h"
#include "engine/videowidget.h"
#include "support/media.h"
#include "support/wait.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

// Frames are made for the screen's pixels and painted one to one, so the
// picture is as sharp at a device pixel ratio of 2 as at 1. The suite runs
// as it is and again under QT_SCALE_FACTOR 1.5 and 2 (tests/CMakeLists.txt).
TEST(VideoAtScale, framesAreMadeAndPaintedAtTheScreensPixels)
{
    QWidget owner;
    owner.resize(520, 400);
    owner.show();
    const qreal ratio = owner.devicePixelRatioF();
    RecordProperty("device_pixel_ratio", std::to_string(ratio));

    FilgraphManager graph;
    graph.RenderFile(test::clipPath(Clip::Vob));
    graph.setOwner(&owner);
    VideoWidget* video = graph.videoWidget();
    ASSERT_NE(video, nullptr);

    // Places whose sizes scale to whole and to half pixels at 1.5.
    for (const QRect place : { QRect(10, 0, 470, 385), QRect(4, 6, 471, 385) }) {
        SCOPED_TRACE(place.width());
        graph.SetWindowPosition(place.x(), place.y(), place.width(), place.height());
        // Qt rounds each of a native window's scaled dimensions to nearest.
        const QSize device(qRound(place.width() * ratio), qRound(place.height() * ratio));
        EXPECT_EQ(video->deviceSize(), device);
        ASSERT_TRUE(waitFor([&] { return video->currentFrame().size() == device; }));

        // Painted pixel for pixel: the window's picture at device resolution
        // holds the frame unscaled where both lie on whole pixels.
        const QImage frame = video->currentFrame();
        ASSERT_TRUE(waitFor([&] {
            const QImage shown = video->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QSize whole(int(place.width() * ratio), int(place.height() * ratio));
            return shown.size() == device
                && shown.copy(QRect(QPoint(), whole)) == frame.copy(QRect(QPoint(), whole));
        })) << "frame "
            << frame.width() << "x" << frame.height();
    }
}

} // namespace

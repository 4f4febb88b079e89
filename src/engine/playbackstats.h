#pragma once

#include "engine/gsthandle.h"

#include <QtGlobal>
#include <atomic>

namespace veltrin {

// Frames shown and stream time covered by one graph's video, added to the
// run's totals and written for bench/ when VELTRIN_STATS names a file. Off
// (nothing recorded) otherwise.
class VideoStatistics {
public:
    VideoStatistics() = default;
    VideoStatistics(const VideoStatistics&) = delete;
    VideoStatistics& operator=(const VideoStatistics&) = delete;

    static bool enabled();
    // Notes the stream time of every picture entering the video path at
    // this pad; the statistics must outlive the pad's streaming.
    void watch(GstPad* pad);
    // Adds this graph's frames to the run's totals and writes them. The sink
    // counts frames it drew itself (X11); `painted` are the ones Qt painted.
    void record(GstElement* sink, bool sinkDraws, quint64 painted, GstSample* lastShown);

private:
    std::atomic<GstClockTime> m_firstPts { GST_CLOCK_TIME_NONE };
    std::atomic<GstClockTime> m_lastPts { GST_CLOCK_TIME_NONE };
};

} // namespace veltrin

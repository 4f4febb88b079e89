#include "engine/playbackstats.h"

#include <QSaveFile>
#include <QString>

namespace veltrin {

namespace {

// Summed over every graph of the run.
struct VideoTotals {
    quint64 shown = 0;
    quint64 sinkDropped = 0;
    double spanSeconds = 0.0;
    int graphs = 0;
};

void writeVideoTotals(const QString& path, const VideoTotals& t)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QStringLiteral("{\"framesShown\": %1, \"sinkDropped\": %2, \"spanSeconds\": "
                              "%3, \"graphs\": %4}\n")
                   .arg(t.shown)
                   .arg(t.sinkDropped)
                   .arg(t.spanSeconds, 0, 'f', 6)
                   .arg(t.graphs)
                   .toUtf8());
    file.commit();
}

} // namespace

bool VideoStatistics::enabled()
{
    return !qEnvironmentVariableIsEmpty("VELTRIN_STATS");
}

void VideoStatistics::watch(GstPad* pad)
{
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer user) {
            auto* self = static_cast<VideoStatistics*>(user);
            const GstClockTime pts = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
            if (GST_CLOCK_TIME_IS_VALID(pts)) {
                GstClockTime none = GST_CLOCK_TIME_NONE;
                self->m_firstPts.compare_exchange_strong(none, pts);
                self->m_lastPts = pts;
            }
            return GST_PAD_PROBE_OK;
        },
        this, nullptr);
}

void VideoStatistics::record(
    GstElement* sink, bool sinkDraws, quint64 painted, GstSample* lastShown)
{
    static VideoTotals totals;
    if (!enabled() || !sink)
        return;
    GstStructure* raw = nullptr;
    g_object_get(sink, "stats", &raw, nullptr);
    const StructureHandle stats = StructureHandle::adopt(raw);
    guint64 rendered = 0, dropped = 0;
    if (stats) {
        gst_structure_get_uint64(stats.get(), "rendered", &rendered);
        gst_structure_get_uint64(stats.get(), "dropped", &dropped);
    }
    totals.shown += sinkDraws ? rendered : painted;
    totals.sinkDropped += dropped;
    // The span ends at the last frame shown: frames that entered the video
    // path but were still queued when the graph stopped were not dropped.
    GstClockTime last = m_lastPts;
    if (GstBuffer* buffer = lastShown ? gst_sample_get_buffer(lastShown) : nullptr;
        buffer && GST_BUFFER_PTS_IS_VALID(buffer))
        last = GST_BUFFER_PTS(buffer);
    const GstClockTime first = m_firstPts;
    if (GST_CLOCK_TIME_IS_VALID(first) && GST_CLOCK_TIME_IS_VALID(last) && last >= first)
        totals.spanSeconds += static_cast<double>(last - first) / GST_SECOND;
    ++totals.graphs;
    writeVideoTotals(qEnvironmentVariable("VELTRIN_STATS"), totals);
}

} // namespace veltrin

// A sound played through a tiny pipeline of its own:
// appsrc ! wavparse ! audioconvert ! audioresample ! sink.
#include "engine/soundoutput.h"

#include "engine/engine.h"
#include "engine/gsthandle.h"
#include "engine/gstprocess.h"

#include <atomic>
#include <chrono>
#include <gst/app/gstappsrc.h>
#include <memory>

namespace veltrin {

namespace {

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class GstSoundOutput final : public SoundOutput {
public:
    bool play(const QByteArray& wave, const QString& name) override;
    bool isPlaying() const override { return m_busy.load(); }

private:
    struct Job {
        GstSoundOutput* owner = nullptr;
        ElementHandle pipeline;
        QByteArray wave;
        std::atomic<bool> finishing { false };
    };

    // A sound whose end never came (a sink that hung) frees the slot after this.
    static constexpr qint64 kStuckMs = 10'000;

    static void start(GstElement* pipeline, gpointer data);
    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer data);
    static void requestFinish(Job* job);
    static void finish(GstElement* pipeline, gpointer data);

    std::atomic<bool> m_busy { false };
    std::atomic<qint64> m_startedMs { 0 };
};

bool GstSoundOutput::play(const QByteArray& wave, const QString& name)
{
    if (wave.isEmpty())
        return false;
    const qint64 now = nowMs();
    bool idle = false;
    if (!m_busy.compare_exchange_strong(idle, true) && now - m_startedMs.load() < kStuckMs)
        return false; // no queueing: a request while one plays is dropped
    m_startedMs = now;
    initialiseEngine();
    const QByteArray pipelineName = "button-sound-" + name.toLatin1();
    auto job = std::make_unique<Job>();
    job->owner = this;
    job->pipeline = sinkNew(gst_pipeline_new(pipelineName.constData()));
    job->wave = wave;
    if (!job->pipeline) {
        m_busy = false;
        return false;
    }
    GstElement* pipeline = job->pipeline.get();
    // Building the pipeline and opening the sink happen on GStreamer's pool,
    // never on the caller's (GUI) thread. The job travels through GStreamer's
    // callbacks and is deleted by finish().
    gst_element_call_async(pipeline, &GstSoundOutput::start, job.release(), nullptr);
    return true;
}

void GstSoundOutput::start(GstElement* pipeline, gpointer data)
{
    auto* job = static_cast<Job*>(data);
    const ElementHandle src = makeElement("appsrc");
    const ElementHandle parse = makeElement("wavparse");
    const ElementHandle convert = makeElement("audioconvert");
    const ElementHandle resample = makeElement("audioresample");
    const ElementHandle sink = makeElement(audioOutputFactory());
    if (!src || !parse || !convert || !resample || !sink) {
        requestFinish(job);
        return;
    }
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink.get()), "sync"))
        g_object_set(sink.get(), "sync", TRUE, nullptr);
    addToBin(pipeline, src, parse, convert, resample, sink);
    if (!linkInOrder(src, parse, convert, resample, sink)) {
        requestFinish(job);
        return;
    }

    const auto caps = CapsHandle::adopt(gst_caps_new_empty_simple("audio/x-wav"));
    g_object_set(src.get(), "caps", caps.get(), "format", GST_FORMAT_BYTES, nullptr);
    auto buffer = BufferHandle::adopt(
        gst_buffer_new_memdup(job->wave.constData(), static_cast<gsize>(job->wave.size())));
    gst_app_src_push_buffer(GST_APP_SRC(src.get()), buffer.release()); // takes the buffer
    gst_app_src_end_of_stream(GST_APP_SRC(src.get()));

    const auto bus = BusHandle::adopt(gst_element_get_bus(pipeline));
    gst_bus_set_sync_handler(bus.get(), &GstSoundOutput::onBusMessage, job, nullptr);

    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        requestFinish(job);
}

GstBusSyncReply GstSoundOutput::onBusMessage(GstBus*, GstMessage* message, gpointer data)
{
    auto* job = static_cast<Job*>(data);
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_ERROR
        || (type == GST_MESSAGE_EOS && GST_MESSAGE_SRC(message) == GST_OBJECT(job->pipeline.get())))
        requestFinish(job);
    // Nobody reads this bus: drop everything so nothing piles up.
    return GST_BUS_DROP;
}

void GstSoundOutput::requestFinish(Job* job)
{
    // An error and the end of stream may both arrive: tear down once.
    if (job->finishing.exchange(true))
        return;
    // The state change to NULL cannot run on a streaming thread.
    gst_element_call_async(job->pipeline.get(), &GstSoundOutput::finish, job, nullptr);
}

void GstSoundOutput::finish(GstElement* pipeline, gpointer data)
{
    std::unique_ptr<Job> job(static_cast<Job*>(data));
    gst_element_set_state(pipeline, GST_STATE_NULL);
    const auto bus = BusHandle::adopt(gst_element_get_bus(pipeline));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    GstSoundOutput* owner = job->owner;
    job.reset();
    owner->m_busy = false;
}

} // namespace

SoundOutput& gstreamerSoundOutput()
{
    // Lives for the whole process: pool threads may still finish a sound at exit.
    static GstSoundOutput* const output = new GstSoundOutput;
    return *output;
}

} // namespace veltrin

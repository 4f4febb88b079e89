// The button's hover sound: a WAV resource played through a tiny GStreamer
// pipeline (appsrc ! wavparse ! audioconvert ! audioresample ! sink).
#include "controls/button/modbas.h"

#include "engine/gsthandle.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <atomic>
#include <chrono>
#include <gst/app/gstappsrc.h>

namespace modBas {

namespace {

using veltrin::ElementHandle;
using veltrin::makeElement;

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
        GstElement* pipeline = nullptr; // owned reference
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
    veltrin::ensureGstInitialised();
    const QByteArray pipelineName = "button-sound-" + name.toLatin1();
    GstElement* pipeline = gst_pipeline_new(pipelineName.constData());
    gst_object_ref_sink(pipeline);
    auto* job = new Job;
    job->owner = this;
    job->pipeline = pipeline;
    job->wave = wave;
    // Building the pipeline and opening the sink happen on GStreamer's pool,
    // never on the caller's (GUI) thread.
    gst_element_call_async(pipeline, &GstSoundOutput::start, job, nullptr);
    return true;
}

void GstSoundOutput::start(GstElement* pipeline, gpointer data)
{
    auto* job = static_cast<Job*>(data);
    GstElement* src = gst_element_factory_make("appsrc", nullptr);
    GstElement* parse = gst_element_factory_make("wavparse", nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* sink = gst_element_factory_make(veltrin::audioOutputFactory(), nullptr);
    if (!src || !parse || !convert || !resample || !sink) {
        for (GstElement* e : { src, parse, convert, resample, sink }) {
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
        }
        requestFinish(job);
        return;
    }
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "sync"))
        g_object_set(sink, "sync", TRUE, nullptr);
    gst_bin_add_many(GST_BIN(pipeline), src, parse, convert, resample, sink, nullptr);
    if (!gst_element_link_many(src, parse, convert, resample, sink, nullptr)) {
        requestFinish(job);
        return;
    }

    GstCaps* caps = gst_caps_new_empty_simple("audio/x-wav");
    g_object_set(src, "caps", caps, "format", GST_FORMAT_BYTES, nullptr);
    gst_caps_unref(caps);
    GstBuffer* buffer
        = gst_buffer_new_memdup(job->wave.constData(), static_cast<gsize>(job->wave.size()));
    gst_app_src_push_buffer(GST_APP_SRC(src), buffer); // takes the buffer
    gst_app_src_end_of_stream(GST_APP_SRC(src));

    GstBus* bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(bus, &GstSoundOutput::onBusMessage, job, nullptr);
    gst_object_unref(bus);

    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        requestFinish(job);
}

GstBusSyncReply GstSoundOutput::onBusMessage(GstBus*, GstMessage* message, gpointer data)
{
    auto* job = static_cast<Job*>(data);
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_ERROR
        || (type == GST_MESSAGE_EOS && GST_MESSAGE_SRC(message) == GST_OBJECT(job->pipeline)))
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
    gst_element_call_async(job->pipeline, &GstSoundOutput::finish, job, nullptr);
}

void GstSoundOutput::finish(GstElement* pipeline, gpointer data)
{
    auto* job = static_cast<Job*>(data);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    GstSoundOutput* owner = job->owner;
    gst_object_unref(job->pipeline);
    delete job;
    owner->m_busy = false;
}

std::atomic<SoundOutput*> g_output { nullptr };

} // namespace

SoundOutput& gstreamerSoundOutput()
{
    // Lives for the whole process: pool threads may still finish a sound at exit.
    static GstSoundOutput* const output = new GstSoundOutput;
    return *output;
}

void setSoundOutput(SoundOutput* output)
{
    g_output = output;
}

SoundOutput& soundOutput()
{
    SoundOutput* output = g_output.load();
    return output ? *output : gstreamerSoundOutput();
}

QByteArray SoundResource(const QString& name)
{
    // Resource names compare without regard to case.
    static const QHash<QString, QString> index = [] {
        QHash<QString, QString> map;
        const QFileInfoList entries = QDir(QStringLiteral(":/sounds")).entryInfoList(QDir::Files);
        for (const QFileInfo& entry : entries)
            map.insert(entry.completeBaseName().toUpper(), entry.filePath());
        return map;
    }();
    const auto it = index.constFind(name.toUpper());
    if (it == index.constEnd())
        return {};
    QFile file(*it);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool PlayResourceSound(const QString& name)
{
    if (name.trimmed().isEmpty())
        return false;
    const QByteArray wave = SoundResource(name);
    if (wave.isEmpty())
        return false;
    return soundOutput().play(wave, name);
}

} // namespace modBas

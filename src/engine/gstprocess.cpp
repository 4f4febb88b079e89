#include "engine/gstprocess.h"
#include "engine/disc.h"
#include "engine/engine.h"
#include "engine/gsthandle.h"

#include <QCoreApplication>
#include <cstdlib>
#include <mutex>

namespace veltrin {

namespace {

// MPEG-1/2 video, MPEG audio and AC-3 (Video CDs, DVDs, MP3s) have small
// decoders of their own. Ranked above libav's, they spare those files the
// linking of libav's libraries (see bench/BENCH.md), at the same decoding cost.
void preferSmallDecoders()
{
    GstRegistry* registry = gst_registry_get();
    for (const char* name : { "mpeg2dec", "mpg123audiodec", "a52dec" }) {
        const auto feature
            = ObjectHandle<GstPluginFeature>::adopt(gst_registry_lookup_feature(registry, name));
        if (feature && gst_plugin_feature_get_rank(feature.get()) <= GST_RANK_PRIMARY)
            gst_plugin_feature_set_rank(feature.get(), GST_RANK_PRIMARY + 1);
    }
}

} // namespace

void configureProcess()
{
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    // GLib keeps one idle thread fewer than the maximum it is given.
    const gint keep = kGraphStreamingThreads + 1;
    if (g_thread_pool_get_max_unused_threads() < keep)
        g_thread_pool_set_max_unused_threads(keep);
}

void initialiseEngine()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        preferSmallDecoders();
        registerDiscSource();
    });
}

void deinitialiseEngineAtExitWhenTraced()
{
    if (qEnvironmentVariableIsSet("GST_TRACERS"))
        std::atexit([] { gst_deinit(); });
}

const char* audioOutputFactory()
{
    // Opening a sink costs a few milliseconds: probe once.
    static const char* const factory = [] {
        for (const char* name : { "pulsesink", "alsasink" }) {
            const ElementHandle sink = makeElement(name);
            if (!sink)
                continue;
            const bool opens
                = gst_element_set_state(sink.get(), GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
            gst_element_set_state(sink.get(), GST_STATE_NULL);
            if (opens)
                return name;
        }
        return "fakesink";
    }();
    return factory;
}

} // namespace veltrin

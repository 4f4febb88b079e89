#pragma once

#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace veltrin::test {

// Makes the source a playbin sets up slow to give its first data, as a disc
// that spins up: the first buffer it hands on (pushed, or pulled by the type
// finder) is held on the streaming thread until release() or until the bound
// passes.
class HeldFirstRead {
public:
    HeldFirstRead(GstElement* playbin, std::chrono::milliseconds bound)
        : m_playbin(GST_ELEMENT(gst_object_ref(playbin)))
        , m_state(std::make_shared<State>())
    {
        m_state->bound = bound;
        m_handler = g_signal_connect_data(
            playbin, "source-setup", G_CALLBACK(onSourceSetup), new std::shared_ptr<State>(m_state),
            [](gpointer state, GClosure*) { delete static_cast<std::shared_ptr<State>*>(state); },
            GConnectFlags {});
    }
    ~HeldFirstRead()
    {
        release();
        g_signal_handler_disconnect(m_playbin, m_handler);
        gst_object_unref(m_playbin);
    }
    HeldFirstRead(const HeldFirstRead&) = delete;
    HeldFirstRead& operator=(const HeldFirstRead&) = delete;

    // The source's first read is being held now.
    bool holding() const { return m_state->holding; }
    void release()
    {
        {
            std::lock_guard lock(m_state->mutex);
            m_state->released = true;
        }
        m_state->cv.notify_all();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable cv;
        bool released = false;
        std::atomic<bool> held { false };
        std::atomic<bool> holding { false };
        std::chrono::milliseconds bound { 0 };
    };

    static void onSourceSetup(GstElement*, GstElement* source, gpointer data)
    {
        const auto& state = *static_cast<std::shared_ptr<State>*>(data);
        GstPad* pad = gst_element_get_static_pad(source, "src");
        if (!pad)
            return;
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, onBuffer,
            new std::shared_ptr<State>(state),
            [](gpointer s) { delete static_cast<std::shared_ptr<State>*>(s); });
        gst_object_unref(pad);
    }

    static GstPadProbeReturn onBuffer(GstPad*, GstPadProbeInfo*, gpointer data)
    {
        State& state = **static_cast<std::shared_ptr<State>*>(data);
        if (state.held.exchange(true))
            return GST_PAD_PROBE_REMOVE;
        std::unique_lock lock(state.mutex);
        state.holding = true;
        state.cv.wait_for(lock, state.bound, [&] { return state.released; });
        state.holding = false;
        return GST_PAD_PROBE_REMOVE;
    }

    GstElement* m_playbin;
    std::shared_ptr<State> m_state;
    gulong m_handler = 0;
};

} // namespace veltrin::test

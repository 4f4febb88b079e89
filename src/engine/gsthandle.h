#pragma once

#include "engine/prelink.h"

#include <QString>
#include <condition_variable>
#include <gst/gst.h>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>

namespace veltrin {

// One owning handle type for GStreamer's reference-counted objects: the
// reference is taken or adopted in one place and dropped in one place.
template <typename T, void (*Unref)(T*)> class GstHandle {
public:
    GstHandle() = default;
    // Adopts a reference the caller already owns (a "transfer full" result).
    explicit GstHandle(T* adopted)
        : m_ptr(adopted)
    {
    }
    GstHandle(const GstHandle&) = delete;
    GstHandle& operator=(const GstHandle&) = delete;
    GstHandle(GstHandle&& o) noexcept
        : m_ptr(std::exchange(o.m_ptr, nullptr))
    {
    }
    GstHandle& operator=(GstHandle&& o) noexcept
    {
        if (this != &o)
            reset(std::exchange(o.m_ptr, nullptr));
        return *this;
    }
    ~GstHandle() { reset(); }

    void reset(T* adopted = nullptr)
    {
        if (m_ptr)
            Unref(m_ptr);
        m_ptr = adopted;
    }
    T* get() const { return m_ptr; }
    T* release() { return std::exchange(m_ptr, nullptr); }
    explicit operator bool() const { return m_ptr != nullptr; }

private:
    T* m_ptr = nullptr;
};

namespace detail {
inline void unrefObject(GstElement* e)
{
    gst_object_unref(e);
}
inline void unrefBus(GstBus* b)
{
    gst_object_unref(b);
}
inline void unrefPad(GstPad* p)
{
    gst_object_unref(p);
}
inline void unrefCaps(GstCaps* c)
{
    gst_caps_unref(c);
}
inline void unrefSample(GstSample* s)
{
    gst_sample_unref(s);
}
inline void unrefMessage(GstMessage* m)
{
    gst_message_unref(m);
}
inline void unrefQuery(GstQuery* q)
{
    gst_query_unref(q);
}
} // namespace detail

using ElementHandle = GstHandle<GstElement, detail::unrefObject>;
using BusHandle = GstHandle<GstBus, detail::unrefBus>;
using PadHandle = GstHandle<GstPad, detail::unrefPad>;
using CapsHandle = GstHandle<GstCaps, detail::unrefCaps>;
using SampleHandle = GstHandle<GstSample, detail::unrefSample>;
using MessageHandle = GstHandle<GstMessage, detail::unrefMessage>;
using QueryHandle = GstHandle<GstQuery, detail::unrefQuery>;

// Takes ownership of a newly made element, sinking its floating reference.
inline ElementHandle makeElement(const char* factory, const char* name = nullptr)
{
    GstElement* e = gst_element_factory_make(factory, name);
    if (e)
        gst_object_ref_sink(e);
    return ElementHandle(e);
}

// Initialises GStreamer once, without handing it the program's arguments.
void ensureGstInitialised();

// The factory name of the first audio output that really opens. Machines
// without a sound device get "fakesink", to be run clock-synced so playback
// still takes real time. Probed once per process.
const char* audioOutputFactory();

// Does on a thread of its own, while Qt starts, what the first graph would
// otherwise wait for: GStreamer's start, the audio output probe, loading the
// plugins a graph for this file uses and, unless the file's name says MPEG,
// linking libav, which pulls in some 170 libraries (about 60 ms).
//
// Linking holds the dynamic loader's lock, and Qt loads plugins of its own
// while it starts (platform, input method): every one of them would wait for
// all of libav. So libav's libraries are linked one at a time, each hold
// short, and the plugin waits for allowLinking(), which the program calls
// once its window is built. Destruction stops the work and joins.
// Starting a thread waits for the loader too: the threads a graph streams on
// are started, idle, before the linking.
class WarmUp {
public:
    explicit WarmUp(const QString& path);
    WarmUp(const WarmUp&) = delete;
    WarmUp& operator=(const WarmUp&) = delete;
    ~WarmUp() = default;

    void allowLinking();

private:
    void run(const QString& path, std::stop_token stop);

    std::mutex m_mutex;
    std::condition_variable_any m_allowed;
    bool m_linkingAllowed = false;
    LinkedLibraries m_libraries;
    std::jthread m_thread; // last: stopped and joined before the rest goes
};

} // namespace veltrin

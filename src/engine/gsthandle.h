#pragma once

// Owning handles for GStreamer's objects. Engine code only: nothing outside
// src/engine includes GStreamer (see engine/engine.h for what main() needs).

#include "runtime/steps.h"

#include <gst/gst.h>
#include <string>
#include <utility>

namespace veltrin {

namespace detail {

// The reference counting of one family of GStreamer types.
template <typename T> struct ObjectTraits {
    static T* ref(T* p) { return static_cast<T*>(gst_object_ref(p)); }
    static void unref(T* p) { gst_object_unref(p); }
};

template <typename T> struct MiniObjectTraits {
    static T* ref(T* p)
    {
        return reinterpret_cast<T*>(gst_mini_object_ref(GST_MINI_OBJECT_CAST(p)));
    }
    static void unref(T* p) { gst_mini_object_unref(GST_MINI_OBJECT_CAST(p)); }
};

} // namespace detail

// One owning reference to a reference-counted GStreamer value. Whether the
// handle takes over a reference the caller owns (a "transfer full" result)
// or takes a new one (a borrowed pointer) is said at each place it is made:
// Handle::adopt(p) or Handle::ref(p).
template <typename T, typename Traits> class RefHandle {
public:
    RefHandle() = default;
    static RefHandle adopt(T* owned) { return RefHandle(owned); }
    static RefHandle ref(T* borrowed)
    {
        return RefHandle(borrowed ? Traits::ref(borrowed) : nullptr);
    }

    RefHandle(const RefHandle&) = delete;
    RefHandle& operator=(const RefHandle&) = delete;
    RefHandle(RefHandle&& o) noexcept
        : m_ptr(std::exchange(o.m_ptr, nullptr))
    {
    }
    RefHandle& operator=(RefHandle&& o) noexcept
    {
        if (this != &o)
            reset(std::exchange(o.m_ptr, nullptr));
        return *this;
    }
    ~RefHandle() { reset(); }

    // Another owner of the same value.
    RefHandle share() const { return ref(m_ptr); }
    void reset() { reset(nullptr); }
    T* get() const { return m_ptr; }
    // Hands the reference to a callee that takes it over ("transfer full").
    [[nodiscard]] T* release() { return std::exchange(m_ptr, nullptr); }
    explicit operator bool() const { return m_ptr != nullptr; }

private:
    explicit RefHandle(T* owned)
        : m_ptr(owned)
    {
    }
    void reset(T* owned)
    {
        if (T* old = std::exchange(m_ptr, owned))
            Traits::unref(old);
    }

    T* m_ptr = nullptr;
};

// Any GstObject: elements, pads, buses, plugins, features.
template <typename T> using ObjectHandle = RefHandle<T, detail::ObjectTraits<T>>;
template <typename T> using MiniObjectHandle = RefHandle<T, detail::MiniObjectTraits<T>>;

using ElementHandle = ObjectHandle<GstElement>;
using BusHandle = ObjectHandle<GstBus>;
using PadHandle = ObjectHandle<GstPad>;
using CapsHandle = MiniObjectHandle<GstCaps>;
using SampleHandle = MiniObjectHandle<GstSample>;
using MessageHandle = MiniObjectHandle<GstMessage>;
using QueryHandle = MiniObjectHandle<GstQuery>;
using BufferHandle = MiniObjectHandle<GstBuffer>;

// A GstStructure, which has one owner and no reference count.
class StructureHandle {
public:
    StructureHandle() = default;
    static StructureHandle adopt(GstStructure* owned) { return StructureHandle(owned); }
    StructureHandle(const StructureHandle&) = delete;
    StructureHandle& operator=(const StructureHandle&) = delete;
    StructureHandle(StructureHandle&& o) noexcept
        : m_ptr(std::exchange(o.m_ptr, nullptr))
    {
    }
    StructureHandle& operator=(StructureHandle&& o) noexcept
    {
        if (this != &o) {
            reset();
            m_ptr = std::exchange(o.m_ptr, nullptr);
        }
        return *this;
    }
    ~StructureHandle() { reset(); }

    void reset()
    {
        if (GstStructure* old = std::exchange(m_ptr, nullptr))
            gst_structure_free(old);
    }
    GstStructure* get() const { return m_ptr; }
    [[nodiscard]] GstStructure* release() { return std::exchange(m_ptr, nullptr); }
    explicit operator bool() const { return m_ptr != nullptr; }

private:
    explicit StructureHandle(GstStructure* owned)
        : m_ptr(owned)
    {
    }
    GstStructure* m_ptr = nullptr;
};

// A newly made object: its floating reference is sunk into the handle.
template <typename T> ObjectHandle<T> sinkNew(T* floating)
{
    return ObjectHandle<T>::adopt(
        floating ? static_cast<T*>(gst_object_ref_sink(floating)) : nullptr);
}

// A new element of that factory, owned; empty when the plugin is missing.
inline ElementHandle makeElement(const char* factory, const char* name = nullptr)
{
    return sinkNew(gst_element_factory_make(factory, name));
}

// The same for an element the engine cannot do without: a missing plugin
// is a Failure, never an empty handle.
inline ElementHandle makeRequiredElement(const char* factory, const char* name = nullptr)
{
    ElementHandle element = makeElement(factory, name);
    if (!element)
        throw Failure(std::string("missing GStreamer element ") + factory);
    return element;
}

// Adds elements to a bin, which takes a reference of its own to each; the
// handles stay owners too.
template <typename... Handles> void addToBin(GstElement* bin, const Handles&... elements)
{
    (gst_bin_add(GST_BIN(bin), elements.get()), ...);
}

// Links elements in order; false when any link is refused.
template <typename... Handles> bool linkInOrder(const Handles&... elements)
{
    return gst_element_link_many(elements.get()..., nullptr);
}

} // namespace veltrin

#pragma once

// What the program's main() needs of the engine: process-wide set-up and the
// start-up warm-up. Includes no GStreamer header.

#include <QString>
#include <memory>

namespace veltrin {

// Process-wide settings the engine relies on, made once at the top of
// main(), before QApplication and before any thread (tests that rely on
// them call it too). No GStreamer work happens here:
//  - only the video window gets a native window of its own; its siblings
//    keep being painted by Qt into the player's backing store (X11);
//  - GLib's shared thread pool keeps as many idle threads as a graph
//    streams on, so the ones the warm-up starts are there for the first graph.
void configureProcess();

// Starts GStreamer once, without handing it the program's arguments, and
// ranks the small MPEG decoders above libav's. Any thread; a call while a
// warm-up is doing it waits for it.
void initialiseEngine();

// A leak tracer (GST_TRACERS=leaks) reports when GStreamer is torn down:
// when the environment asks for a tracer, GStreamer is deinitialised at exit,
// once the player and its graphs are gone. Call after initialiseEngine().
void deinitialiseEngineAtExitWhenTraced();

// Does on a thread of its own, while Qt starts, what the first graph would
// otherwise wait for: GStreamer's start, the audio output probe, loading the
// plugins a graph for this file uses and, unless the file's name says MPEG,
// linking libav, which pulls in some 170 libraries.
//
// Linking holds the dynamic loader's lock, and Qt loads plugins of its own
// while it starts (platform, input method): every one of them would wait for
// all of libav. So libav's libraries are linked one at a time, each hold
// short, and the plugin waits for allowLinking(), which the program calls
// once its window is built. Starting a thread waits for the loader too: the
// threads a graph streams on are started, idle, before the linking.
// Destruction stops the work and joins.
class WarmUp {
public:
    explicit WarmUp(const QString& path);
    ~WarmUp();
    WarmUp(const WarmUp&) = delete;
    WarmUp& operator=(const WarmUp&) = delete;

    void allowLinking();

private:
    struct Work;
    std::unique_ptr<Work> m_work;
};

} // namespace veltrin

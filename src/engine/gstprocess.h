#pragma once

// Process-wide GStreamer state shared by the engine's graphs and outputs.

namespace veltrin {

// The factory name of the first audio output that really opens. Machines
// without a sound device get "fakesink", to be run clock-synced so playback
// still takes real time. Probed once per process; GStreamer must be started.
const char* audioOutputFactory();

// How many streaming threads a graph starts: reading the file, demuxing,
// two stream queues and the audio queue.
constexpr int kGraphStreamingThreads = 6;

} // namespace veltrin

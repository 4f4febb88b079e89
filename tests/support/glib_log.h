#pragma once

namespace veltrin::test {

// Criticals GLib and GStreamer logged so far in this test program. Every
// one also fails the test that was running: a failed precondition inside a
// library is a fault of ours even when nothing visible goes wrong.
int criticalsLogged();

} // namespace veltrin::test

#pragma once

#include <functional>

class QObject;

namespace veltrin {

// Marks the time a graph waits for a file to open. That wait keeps the event
// loop running (paints, window-system events, timers, posted events and
// D-Bus calls, but no user input) so the window stays alive; whatever an
// event handler would do to the graph being opened, or to the references that
// hold it (start, stop, seek, open another file, release it), must wait until
// the open has returned. Handlers check active() and skip their work, or hand
// it to afterOpen(). GUI thread only; scopes nest.
class OpenInProgress {
public:
    OpenInProgress() noexcept;
    ~OpenInProgress();
    OpenInProgress(const OpenInProgress&) = delete;
    OpenInProgress& operator=(const OpenInProgress&) = delete;

    static bool active() noexcept;

    // Runs `work` now when no open is in progress. Otherwise it runs from the
    // event loop once the last open has returned to its caller (never inside
    // the open), and not at all if `context` is gone by then. Works handed over
    // during one open run in the order they were handed over.
    static void afterOpen(QObject* context, std::function<void()> work);
};

} // namespace veltrin

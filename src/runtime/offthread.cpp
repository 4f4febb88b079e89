#include "runtime/offthread.h"

#include <QEventLoop>
#include <QTimer>
#include <mutex>
#include <system_error>
#include <thread>

namespace veltrin::detail {

bool runAndWait(std::function<void()> work, std::chrono::milliseconds bound)
{
    // Outlives the wait when the work does not end in time.
    struct Shared {
        std::mutex mutex;
        bool done = false;
        QEventLoop* loop = nullptr;
    };
    auto shared = std::make_shared<Shared>();
    QEventLoop loop;
    shared->loop = &loop;
    try {
        std::thread([shared, work = std::move(work)]() mutable {
            bool finished = true;
            try {
                work();
            } catch (...) {
                // Ends as unfinished: the caller sees no result.
                finished = false;
            }
            // Released here, not on the GUI thread: a device handle may take
            // time to close.
            work = nullptr;
            std::lock_guard lock(shared->mutex);
            shared->done = finished;
            // Under the lock: the loop cannot go away before the call is queued.
            if (shared->loop)
                QMetaObject::invokeMethod(shared->loop, &QEventLoop::quit, Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(bound);
    {
        std::unique_lock lock(shared->mutex);
        if (!shared->done) {
            lock.unlock();
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
    }
    std::lock_guard lock(shared->mutex);
    shared->loop = nullptr;
    return shared->done;
}

} // namespace veltrin::detail

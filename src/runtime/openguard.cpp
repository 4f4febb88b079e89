#include "runtime/openguard.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <utility>
#include <vector>

namespace veltrin {

namespace {

struct Deferred {
    QPointer<QObject> context;
    std::function<void()> work;
};

int g_depth = 0;
std::vector<Deferred> g_deferred;

} // namespace

OpenInProgress::OpenInProgress() noexcept
{
    ++g_depth;
}

OpenInProgress::~OpenInProgress()
{
    if (--g_depth > 0 || g_deferred.empty())
        return;
    // Posted, not run: the scope ends inside the open, with its caller still
    // to finish the sequence the open belongs to.
    for (Deferred& d : std::exchange(g_deferred, {})) {
        if (!d.context)
            continue;
        QObject* context = d.context.data();
        QTimer::singleShot(0, context,
            [context, work = std::move(d.work)] { afterOpen(context, std::move(work)); });
    }
}

bool OpenInProgress::active() noexcept
{
    return g_depth > 0;
}

void OpenInProgress::afterOpen(QObject* context, std::function<void()> work)
{
    if (!context || !work)
        return;
    if (g_depth == 0) {
        work();
        return;
    }
    g_deferred.push_back({ context, std::move(work) });
}

} // namespace veltrin

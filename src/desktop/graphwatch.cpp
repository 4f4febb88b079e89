#include "desktop/graphwatch.h"

#include "engine/filgraphmanager.h"

#include <QTimer>

namespace veltrin {

GraphWatch::GraphWatch(QObject* parent)
    : QObject(parent)
{
}

GraphFactory GraphWatch::wrap(GraphFactory inner)
{
    return [this, inner = std::move(inner)] {
        GraphRefs refs = inner();
        ++m_generation;
        attach(dynamic_cast<FilgraphManager*>(refs.control.get()));
        return refs;
    };
}

void GraphWatch::attach(FilgraphManager* graph)
{
    if (m_current)
        disconnect(m_current, nullptr, this, nullptr);
    m_current = graph;
    if (graph) {
        connect(graph, &FilgraphManager::stateChanged, this, &GraphWatch::scheduleChanged);
        connect(graph, &QObject::destroyed, this, &GraphWatch::scheduleChanged);
    }
    scheduleChanged();
}

void GraphWatch::scheduleChanged()
{
    // Several bus messages in one dispatch, or an open that replaces the graph
    // and starts it, make one notice.
    if (m_pending)
        return;
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        m_pending = false;
        emit changed();
    });
}

} // namespace veltrin

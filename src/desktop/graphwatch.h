#pragma once

#include "engine/filgraphmanager.h"
#include "player/playerfrm.h"

#include <QObject>
#include <QPointer>

namespace veltrin {

// Sees every playback graph the player makes, through the factory it is
// given, and tells when the newest one changes state or goes away. The player
// replaces its graph at each open, so the newest graph is the one it plays.
// Listeners hear `changed` once per pass of the event loop, after the player's
// own handler has finished: never in the middle of an open.
class GraphWatch : public QObject {
    Q_OBJECT
public:
    explicit GraphWatch(QObject* parent = nullptr);

    // A factory that makes graphs with `inner` and watches each.
    GraphFactory wrap(GraphFactory inner);

    // The newest graph while it lives; null before the first open, after it
    // is released, or when the factory's graphs are not GStreamer graphs.
    FilgraphManager* current() const { return m_current; }
    // Counts the graphs made so far: names the track each one plays.
    quint64 generation() const { return m_generation; }

signals:
    void changed();

private:
    void attach(FilgraphManager* graph);
    void scheduleChanged();

    QPointer<FilgraphManager> m_current;
    quint64 m_generation = 0;
    bool m_pending = false;
};

} // namespace veltrin

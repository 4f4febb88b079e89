#pragma once

#include "engine/engine.h"

#include <QApplication>
#include <QStandardPaths>

namespace veltrin::bench {

// The widgets need an application (the offscreen platform unless told
// otherwise) and GStreamer; made once for the whole benchmark run.
inline void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "veltrin_bench";
    static char* argv[] = { name, nullptr };
    new QApplication(argc, argv); // lives for the whole run
    // Settings go to a throw-away place, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    initialiseEngine();
}

} // namespace veltrin::bench

#include "engine/disc.h"
#include "engine/engine.h"
#include "support/glib_log.h"

#include <QApplication>
#include <atomic>
#include <glib.h>
#include <gtest/gtest.h>

namespace {

std::atomic<int> g_criticals { 0 };

// Logged from any thread, GStreamer's streaming threads included.
void failOnCritical(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    if (level & G_LOG_LEVEL_CRITICAL) {
        ++g_criticals;
        ADD_FAILURE() << (domain ? domain : "") << " critical: " << message;
    }
    g_log_default_handler(domain, level, message, nullptr);
}

} // namespace

int veltrin::test::criticalsLogged()
{
    return g_criticals;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // As the program does before anything else.
    veltrin::configureProcess();
    g_log_set_default_handler(failOnCritical, nullptr);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    veltrin::initialiseEngine();
    // As the program does: file lists read folders on discs through the engine.
    veltrin::installDiscFolderLister();
    return RUN_ALL_TESTS();
}

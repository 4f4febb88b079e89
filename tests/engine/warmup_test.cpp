#include "engine/gsthandle.h"
#include "support/media.h"
#include "support/wait.h"

#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

bool loaded(const char* plugin)
{
    GstPlugin* p = gst_registry_find_plugin(gst_registry_get(), plugin);
    if (!p)
        return false;
    const bool yes = gst_plugin_is_loaded(p);
    gst_object_unref(p);
    return yes;
}

// Why a warm-up test cannot run here: a plugin it needs is missing, or one
// it watches (or libav) is loaded already, which only a process of its own
// rules out. Empty when it can.
std::string whyNot(std::initializer_list<const char*> plugins)
{
    for (const char* name : plugins) {
        GstPlugin* p = gst_registry_find_plugin(gst_registry_get(), name);
        if (!p)
            return std::string(name) + " not installed";
        gst_object_unref(p);
    }
    if (loaded("libav") || std::any_of(plugins.begin(), plugins.end(), loaded))
        return "needs a process of its own (run through ctest)";
    return {};
}

} // namespace

// libav is linked only once the program allows it (its linking would hold up
// Qt's own plugin loads), and a program that ends first is not held up.
TEST(WarmUp, linksLibavOnlyOnceAllowed)
{
    if (const std::string why = whyNot({ "libav", "isomp4" }); !why.empty())
        GTEST_SKIP() << why;
    QTemporaryDir dir;
    const QString clip = test::copyClip(Clip::Mp4, dir.path(), QStringLiteral("clip.mp4"));
    {
        WarmUp never(clip);
        ASSERT_TRUE(waitFor([] { return loaded("isomp4"); }));
        // Ends without waiting for a permission that never comes.
    }
    EXPECT_FALSE(loaded("libav"));

    WarmUp allowed(clip);
    EXPECT_FALSE(loaded("libav"));
    allowed.allowLinking();
    EXPECT_TRUE(waitFor([] { return loaded("libav"); }));
    // The first graph's streaming threads are waiting, idle, in GLib's
    // shared pool: starting a thread while libav links would wait for it.
    EXPECT_TRUE(waitFor([] { return g_thread_pool_get_num_unused_threads() >= 6; }));
}

// An MPEG file gets its container and small decoders ahead of its graph, and
// never libav.
TEST(WarmUp, mpegFilesLoadTheirPluginsWithoutLibav)
{
    if (const std::string why = whyNot({ "mpegpsdemux", "mpeg2dec" }); !why.empty())
        GTEST_SKIP() << why;
    QTemporaryDir dir;
    const QString clip = test::copyClip(Clip::Vob, dir.path(), QStringLiteral("VTS_01_1.VOB"));
    {
        WarmUp warmUp(QLatin1Char('"') + clip + QLatin1Char('"'));
        warmUp.allowLinking();
    }
    EXPECT_TRUE(loaded("mpegpsdemux"));
    EXPECT_TRUE(loaded("mpeg2dec"));
    EXPECT_TRUE(loaded("playback"));
    EXPECT_FALSE(loaded("libav"));
}

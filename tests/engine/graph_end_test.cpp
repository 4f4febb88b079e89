// How a graph ends: a graph whose elements cannot all be made.
#include "engine/filgraphmanager.h"
#include "engine/gstprocess.h"
#include "runtime/steps.h"
#include "support/glib_log.h"
#include "support/media.h"
#include "support/wait.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

// Takes an element factory out of the registry for the life of the guard,
// as if its plugin were not installed.
class HiddenFeature {
public:
    explicit HiddenFeature(const char* name)
        : m_feature(ObjectHandle<GstPluginFeature>::adopt(
            gst_registry_lookup_feature(gst_registry_get(), name)))
    {
        if (m_feature)
            gst_registry_remove_feature(gst_registry_get(), m_feature.get());
    }
    ~HiddenFeature()
    {
        if (m_feature)
            gst_registry_add_feature(gst_registry_get(), m_feature.get());
    }
    HiddenFeature(const HiddenFeature&) = delete;
    HiddenFeature& operator=(const HiddenFeature&) = delete;

    bool hidden() const
    {
        return m_feature
            && !ObjectHandle<GstPluginFeature>::adopt(
                gst_registry_lookup_feature(gst_registry_get(), GST_OBJECT_NAME(m_feature.get())));
    }

private:
    ObjectHandle<GstPluginFeature> m_feature;
};

// Every element the graph makes itself may be missing: the graph then fails
// to render, without a GLib critical and without a crash.
TEST(FilgraphManager, aMissingPluginFailsRenderCleanly)
{
    const QString clip = test::clipPath(Clip::Mp4, 1);
    const int criticalsBefore = test::criticalsLogged();
    for (const char* name :
        { "playbin", "videoconvert", "deinterlace", "videoscale", "videoconvertscale", "capsfilter",
            "appsink", "scaletempo", "audioconvert", "audiopanorama", audioOutputFactory() }) {
        SCOPED_TRACE(name);
        HiddenFeature missing(name);
        ASSERT_TRUE(missing.hidden());
        FilgraphManager graph;
        EXPECT_THROW(graph.RenderFile(clip), Failure);
        EXPECT_FALSE(graph.isRendered());
    }
    EXPECT_EQ(test::criticalsLogged(), criticalsBefore);
    // With everything back the same file plays: the failures were the
    // missing plugins'.
    FilgraphManager graph;
    graph.RenderFile(clip);
    EXPECT_TRUE(graph.isRendered());
}

} // namespace

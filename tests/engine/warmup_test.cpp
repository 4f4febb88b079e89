#include "engine/engine.h"
#include "engine/gsthandle.h"
#include "engine/prelink.h"
#include "support/media.h"
#include "support/wait.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <link.h>
#include <string>
#include <sys/stat.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

bool loaded(const char* plugin)
{
    const auto p
        = ObjectHandle<GstPlugin>::adopt(gst_registry_find_plugin(gst_registry_get(), plugin));
    return p && gst_plugin_is_loaded(p.get());
}

// Whether a library with this name is mapped into the process.
bool linked(const char* library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

std::string pluginFile(const char* plugin)
{
    const auto p
        = ObjectHandle<GstPlugin>::adopt(gst_registry_find_plugin(gst_registry_get(), plugin));
    const gchar* file = p ? gst_plugin_get_filename(p.get()) : nullptr;
    return file ? file : "";
}

size_t indexOf(const std::vector<std::string>& names, const std::string& prefix)
{
    return static_cast<size_t>(std::find_if(names.begin(), names.end(), [&](const std::string& n) {
        return n.starts_with(prefix);
    }) - names.begin());
}

// Why a warm-up test cannot run here: a plugin it needs is missing, or one
// it watches (or libav) is loaded already, which only a process of its own
// rules out. Empty when it can.
std::string whyNot(std::initializer_list<const char*> plugins)
{
    for (const char* name : plugins) {
        if (!ObjectHandle<GstPlugin>::adopt(gst_registry_find_plugin(gst_registry_get(), name)))
            return std::string(name) + " not installed";
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
    // Its libraries are linked while Qt starts, the plugin only once allowed.
    EXPECT_TRUE(waitFor([] { return linked("/libavfilter.so"); }));
    EXPECT_TRUE(linked("/libavcodec.so"));
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
    EXPECT_FALSE(linked("/libavcodec.so"));
}

// The plugin's list of libraries is read from its file, leaves last, and is
// linked backwards. A damaged or cut file gives the whole list or nothing,
// and never reads outside what it has.
TEST(LinkOrder, readsThePluginsLibrariesAndSurvivesDamagedFiles)
{
    const std::string plugin = pluginFile("libav");
    if (plugin.empty())
        GTEST_SKIP() << "libav not installed";
    const std::vector<std::string> needed = neededLibraries(plugin);
    const size_t codec = indexOf(needed, "libavcodec.so");
    const size_t util = indexOf(needed, "libavutil.so");
    ASSERT_LT(codec, needed.size());
    ASSERT_LT(util, needed.size());
    EXPECT_LT(codec, util);
    EXPECT_LT(indexOf(needed, "libgstreamer-1.0.so"), needed.size());
    if (!loaded("libav") && !linked("/libavcodec.so")) {
        const std::vector<std::string> order = linkOrder(plugin);
        EXPECT_LT(indexOf(order, "libavutil.so"), indexOf(order, "libavcodec.so"));
        EXPECT_LT(indexOf(order, "libavcodec.so"), order.size());
        // GStreamer is in the process already: nothing to link.
        EXPECT_EQ(indexOf(order, "libgstreamer-1.0.so"), order.size());
    }

    QFile original(QString::fromStdString(plugin));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    ASSERT_GT(bytes.size(), static_cast<qsizetype>(sizeof(ElfW(Ehdr))));
    QTemporaryDir dir;
    const QString damaged = dir.filePath(QStringLiteral("damaged.so"));
    auto readAs = [&](const QByteArray& content) {
        QFile out(damaged);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || out.write(content) != content.size())
            ADD_FAILURE() << "cannot write the damaged copy";
        out.close();
        return neededLibraries(damaged.toStdString());
    };
    const qsizetype header = sizeof(ElfW(Ehdr));
    for (const qsizetype size : { qsizetype(0), qsizetype(4), header - 1, header, header + 100,
             bytes.size() / 4, bytes.size() / 2, bytes.size() - 1 }) {
        SCOPED_TRACE(size);
        const std::vector<std::string> got = readAs(bytes.left(size));
        EXPECT_TRUE(got.empty() || got == needed);
    }
    // Random bytes over the headers, over the list of dynamic entries (the
    // names' places and the string table's) and anywhere.
    ElfW(Ehdr) ehdr {};
    std::memcpy(&ehdr, bytes.constData(), sizeof ehdr);
    std::pair<qsizetype, qsizetype> dynamic { 0, 0 };
    for (int i = 0; i < ehdr.e_phnum; ++i) {
        ElfW(Phdr) phdr {};
        std::memcpy(&phdr, bytes.constData() + ehdr.e_phoff + i * sizeof phdr, sizeof phdr);
        if (phdr.p_type == PT_DYNAMIC)
            dynamic = { qsizetype(phdr.p_offset), qsizetype(phdr.p_filesz) };
    }
    ASSERT_GT(dynamic.second, 0);
    const std::pair<qsizetype, qsizetype> regions[]
        = { { 0, qsizetype(ehdr.e_phoff + ehdr.e_phnum * sizeof(ElfW(Phdr))) }, dynamic,
              { 0, bytes.size() } };
    QRandomGenerator random(20261208);
    for (int round = 0; round < 300; ++round) {
        const auto [from, length] = regions[round % 3];
        QByteArray copy = bytes;
        for (int i = 0; i < 4; ++i)
            copy[from + random.bounded(length)] = static_cast<char>(random.bounded(256));
        for (const std::string& name : readAs(copy))
            EXPECT_FALSE(name.empty());
    }

    // Not files at all: nothing, and no wait on a pipe without a writer.
    EXPECT_TRUE(neededLibraries(dir.path().toStdString()).empty());
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("fifo.so")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_TRUE(neededLibraries(fifo.toStdString()).empty());
    EXPECT_TRUE(neededLibraries("/no/such/file.so").empty());
}

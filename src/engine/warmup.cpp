#include "engine/engine.h"
#include "engine/gsthandle.h"
#include "engine/gstprocess.h"
#include "engine/prelink.h"

#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <span>
#include <stop_token>
#include <thread>

namespace veltrin {

namespace {

// What a file's name says about its graph: the plugins of its container
// and, for MPEG, of its small decoders, and whether libav decodes it (MPEG
// files do not, see preferSmallDecoders). A wrong guess costs a load nothing
// waits for.
struct NameGuess {
    std::span<const char* const> plugins;
    bool libav = true;
};

NameGuess guessFromName(const QString& path)
{
    static constexpr const char* mpeg[]
        = { "mpegpsdemux", "videoparsersbad", "audioparsers", "mpeg2dec", "mpg123", "a52dec" };
    static constexpr const char* mpegAudio[] = { "id3demux", "audioparsers", "mpg123" };
    static constexpr const char* mp4[] = { "isomp4", "videoparsersbad", "audioparsers" };
    static constexpr const char* avi[] = { "avi", "audioparsers" };
    static constexpr const char* asf[] = { "asf" };
    const QString suffix = QFileInfo(path.trimmed().remove(u'"')).suffix().toLower();
    const auto is = [&suffix](std::initializer_list<QStringView> names) {
        return std::find(names.begin(), names.end(), suffix) != names.end();
    };
    if (is({ u"dat", u"mpg", u"mpeg", u"vob", u"m1v", u"m2v" }))
        return { mpeg, false };
    if (is({ u"mp3", u"mp2" }))
        return { mpegAudio, false };
    if (is({ u"pls" }))
        return { {}, false }; // a play list is left to its entries
    if (is({ u"mp4", u"m4v", u"m4a", u"mov", u"qt" }))
        return { mp4 };
    if (is({ u"avi" }))
        return { avi };
    if (is({ u"asf", u"wm", u"wmv", u"wma" }))
        return { asf };
    return {};
}

void loadPlugin(const char* name)
{
    ObjectHandle<GstPlugin>::adopt(gst_plugin_load_by_name(name));
}

// A new thread gets its thread-local storage under the dynamic loader's
// lock, so every thread the first graph starts while libav is being linked
// waits for the link to end (see bench/BENCH.md). The graph's streaming
// threads come from GLib's shared pool, which reuses idle threads (as many
// as configureProcess() lets it keep): start that many now and leave them idle.
void startIdlePoolThreads(guint count)
{
    struct Gate {
        std::mutex mutex;
        std::condition_variable all;
        guint started = 0;
        guint count = 0;
    } gate;
    gate.count = count;
    // Each task holds its thread until all have started, so each gets its own.
    GThreadPool* pool = g_thread_pool_new(
        [](gpointer, gpointer user) {
            auto* gate = static_cast<Gate*>(user);
            std::unique_lock lock(gate->mutex);
            ++gate->started;
            gate->all.notify_all();
            gate->all.wait_for(
                lock, std::chrono::seconds(1), [gate] { return gate->started >= gate->count; });
        },
        &gate, static_cast<gint>(count), FALSE, nullptr);
    if (!pool)
        return;
    for (guint i = 0; i < count; ++i)
        g_thread_pool_push(pool, GUINT_TO_POINTER(i + 1), nullptr);
    g_thread_pool_free(pool, FALSE, TRUE);
}

} // namespace

struct WarmUp::Work {
    void run(const QString& path, std::stop_token stop);

    std::mutex mutex;
    std::condition_variable_any allowed;
    bool linkingAllowed = false;
    LinkedLibraries libraries;
    std::jthread thread; // last: stopped and joined before the rest goes
};

WarmUp::WarmUp(const QString& path)
    : m_work(std::make_unique<Work>())
{
    m_work->thread = std::jthread(
        [work = m_work.get(), path](std::stop_token stop) { work->run(path, std::move(stop)); });
}

WarmUp::~WarmUp() = default;

void WarmUp::allowLinking()
{
    {
        std::lock_guard lock(m_work->mutex);
        m_work->linkingAllowed = true;
    }
    m_work->allowed.notify_all();
}

void WarmUp::Work::run(const QString& path, std::stop_token stop)
{
    initialiseEngine();
    audioOutputFactory();
    const NameGuess guess = guessFromName(path);
    // What every graph builds, then what this file's container needs.
    for (const char* name : { "playback", "coreelements", "typefindfunctions", "videoconvertscale",
             "deinterlace", "ximagesink", "audiofx", "audioconvert", "audioresample", "volume" })
        loadPlugin(name);
    for (const char* name : guess.plugins)
        loadPlugin(name);
    if (!guess.libav)
        return;
    // libav's libraries one at a time while Qt starts; the plugin itself,
    // which registers a few hundred elements, once the window is built.
    if (const auto libav
        = ObjectHandle<GstPlugin>::adopt(gst_registry_find_plugin(gst_registry_get(), "libav"))) {
        if (const gchar* file = gst_plugin_get_filename(libav.get());
            file && !gst_plugin_is_loaded(libav.get()))
            libraries.link(linkOrder(file), [&stop] { return stop.stop_requested(); });
    }
    std::unique_lock lock(mutex);
    if (!allowed.wait(lock, stop, [this] { return linkingAllowed; }))
        return;
    lock.unlock();
    startIdlePoolThreads(kGraphStreamingThreads);
    loadPlugin("libav");
}

} // namespace veltrin

// How long the GUI thread stands still while a graph opens a file: a 5 ms
// timer runs during RenderFile and the longest gap between its ticks (the
// call's start and end count as ticks) is the stall a user would see. One
// clip of each container, in an order that makes decoders load on first use
// (a video after a sound file), and a file whose first read is held back 2 s
// as a disc spinning up would. Then a Video CD track inside a disc image, as
// it opens at once and with the disc's open held back 2 s as a drive spinning
// up holds it.
#include "../tests/support/heldread.h"
#include "bench_app.h"
#include "engine/discopen.h"
#include "engine/filgraphmanager.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <optional>
#include <thread>

namespace {

using veltrin::bench::ensureApplication;

struct ClipRecipe {
    const char* name;
    QStringList encode; // ffmpeg output options
};

QString clip(const ClipRecipe& recipe)
{
    static QTemporaryDir dir;
    const QString path = dir.path() + QLatin1Char('/') + QLatin1String(recipe.name);
    if (QFile::exists(path))
        return path;
    QStringList args { QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
        QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
        QStringLiteral("-i"), QStringLiteral("testsrc=size=640x360:rate=25:duration=3"),
        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("sine=frequency=440:duration=3") };
    args << recipe.encode << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0)
        return {};
    return path;
}

// Longest time between two ticks of a 5 ms timer while `open` runs.
double longestGapMs(const std::function<void()>& open)
{
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start(5);
    clock.start();
    open();
    longest = std::max(longest, clock.nsecsElapsed() - last);
    return static_cast<double>(longest) / 1e6;
}

// The longest gap while the graph opens `path`; nullopt when it fails to.
std::optional<double> openGapMs(veltrin::FilgraphManager& graph, const QString& path)
{
    bool opened = true;
    const double gap = longestGapMs([&] {
        try {
            graph.RenderFile(path);
        } catch (const veltrin::Failure&) {
            opened = false;
        }
    });
    return opened ? std::optional(gap) : std::nullopt;
}

const ClipRecipe kClips[] = {
    { "tone.mp3", { QStringLiteral("-vn"), QStringLiteral("-c:a"), QStringLiteral("libmp3lame") } },
    { "clip.mpg",
        { QStringLiteral("-c:v"), QStringLiteral("mpeg1video"), QStringLiteral("-c:a"),
            QStringLiteral("mp2") } },
    { "clip.vob", { QStringLiteral("-target"), QStringLiteral("pal-dvd") } },
    { "clip.avi",
        { QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"),
            QStringLiteral("libmp3lame") } },
    { "clip.wmv",
        { QStringLiteral("-c:v"), QStringLiteral("wmv2"), QStringLiteral("-c:a"),
            QStringLiteral("wmav2") } },
    { "clip.mov",
        { QStringLiteral("-c:v"), QStringLiteral("mjpeg"), QStringLiteral("-c:a"),
            QStringLiteral("pcm_s16le") } },
    { "clip.mp4",
        { QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-c:a"),
            QStringLiteral("aac") } },
};

void openOnce(benchmark::State& state, const ClipRecipe& recipe, std::optional<int> holdMs)
{
    ensureApplication();
    const QString path = clip(recipe);
    if (path.isEmpty()) {
        state.SkipWithError("ffmpeg could not make the clip");
        return;
    }
    double worst = 0;
    double first = -1;
    for (auto _ : state) {
        veltrin::FilgraphManager graph;
        std::optional<veltrin::test::HeldFirstRead> held;
        if (holdMs)
            held.emplace(graph.pipeline(), std::chrono::milliseconds(*holdMs));
        const std::optional<double> gap = openGapMs(graph, path);
        if (!gap) {
            state.SkipWithError("RenderFile failed");
            break;
        }
        worst = std::max(worst, *gap);
        if (first < 0)
            first = *gap;
    }
    state.counters["longest_gap_ms"] = worst;
    state.counters["first_open_gap_ms"] = first;
}

// Track 1 of a Video CD image made with vcdimager from a 3 s MPEG-1 clip.
QString videoCdTrack()
{
    static const QString track = []() -> QString {
        const ClipRecipe recipe { "track1.mpg",
            { QStringLiteral("-target"), QStringLiteral("pal-vcd"), QStringLiteral("-f"),
                QStringLiteral("vcd") } };
        const QString mpeg = clip(recipe);
        if (mpeg.isEmpty())
            return {};
        QProcess vcdimager;
        vcdimager.setWorkingDirectory(QFileInfo(mpeg).path());
        vcdimager.start(QStringLiteral("vcdimager"),
            { QStringLiteral("-t"), QStringLiteral("vcd2"), QStringLiteral("-c"),
                QStringLiteral("vcd.cue"), QStringLiteral("-b"), QStringLiteral("vcd.bin"),
                QStringLiteral("track1.mpg") });
        if (!vcdimager.waitForFinished(120000) || vcdimager.exitCode() != 0)
            return {};
        return QFileInfo(mpeg).path() + QStringLiteral("/vcd.cue/MPEGAV/AVSEQ01.DAT");
    }();
    return track;
}

void openDiscTrack(benchmark::State& state, std::chrono::milliseconds spinUp)
{
    ensureApplication();
    const QString track = videoCdTrack();
    if (track.isEmpty()) {
        state.SkipWithError("ffmpeg or vcdimager could not make the image");
        return;
    }
    if (spinUp.count() > 0)
        veltrin::setDiscOpenHook([spinUp](const QString&) { std::this_thread::sleep_for(spinUp); });
    double worst = 0;
    for (auto _ : state) {
        veltrin::FilgraphManager graph;
        const std::optional<double> gap = openGapMs(graph, track);
        if (!gap) {
            state.SkipWithError("RenderFile failed");
            break;
        }
        worst = std::max(worst, *gap);
    }
    veltrin::setDiscOpenHook({});
    state.counters["longest_gap_ms"] = worst;
}

// In this order: the first video after a sound file loads its decoders.
[[maybe_unused]] const int registered = [] {
    for (const ClipRecipe& recipe : kClips)
        benchmark::RegisterBenchmark((std::string("OpenStall/") + recipe.name).c_str(),
            [&recipe](benchmark::State& s) { openOnce(s, recipe, std::nullopt); })
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("OpenStall/clip.mp4/first-read-held-2s",
        [](benchmark::State& s) { openOnce(s, kClips[6], 2000); })
        ->Iterations(2)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("OpenStall/vcd.cue-track",
        [](benchmark::State& s) { openDiscTrack(s, std::chrono::milliseconds(0)); })
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("OpenStall/vcd.cue-track/disc-open-held-2s",
        [](benchmark::State& s) { openDiscTrack(s, std::chrono::milliseconds(2000)); })
        ->Iterations(2)
        ->Unit(benchmark::kMillisecond);
    return 0;
}();

} // namespace

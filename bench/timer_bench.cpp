// One tick of the main window's 10 ms position timer, on a real player:
// with no graph (what an idle player pays a hundred times a second) and with
// a graph playing a clip. Also the engine queries the tick is made of.
#include "bench_app.h"
#include "engine/filgraphmanager.h"
#include "player/playerfrm_testpeer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace {

using veltrin::bench::ensureApplication;

// A two-minute small MPEG clip with sound, made once per run: long enough
// that no measurement reaches its end.
QString clipPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.path() + QStringLiteral("/tick.mpg");
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
            { QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("testsrc=size=320x240:rate=25:duration=120"), QStringLiteral("-f"),
                QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("sine=frequency=440:duration=120"), QStringLiteral("-c:v"),
                QStringLiteral("mpeg1video"), QStringLiteral("-c:a"), QStringLiteral("mp2"), p });
        if (!ffmpeg.waitForFinished(300000) || ffmpeg.exitCode() != 0)
            return QString();
        return p;
    }();
    return path;
}

std::unique_ptr<playerfrm> makePlayer(QTemporaryDir& mounts)
{
    ensureApplication();
    PlayerOptions options;
    options.useTray = false;
    // No optical drives: start-up opens only what it is told to.
    options.mountTable = mounts.path() + QStringLiteral("/mounts");
    QFile(options.mountTable).open(QIODevice::WriteOnly);
    return std::make_unique<playerfrm>(std::move(options));
}

// Runs the event loop until cond holds or the bound passes.
template <typename Cond> bool spinUntil(Cond cond, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void BM_Timer1Tick_NoGraph(benchmark::State& state)
{
    QTemporaryDir mounts;
    auto player = makePlayer(mounts);
    player->Form_Load(QString());
    PlayerTestPeer(*player).Timer1->stop(); // only the ticks measured here
    for (auto _ : state)
        player->Timer1_Timer();
}
BENCHMARK(BM_Timer1Tick_NoGraph);

void BM_Timer1Tick_Playing(benchmark::State& state)
{
    const QString clip = clipPath();
    if (clip.isEmpty()) {
        state.SkipWithError("ffmpeg could not make the clip");
        return;
    }
    QTemporaryDir mounts;
    auto player = makePlayer(mounts);
    player->Form_Load(clip);
    player->show();
    // Playing and past its first second, so the clock runs.
    if (!spinUntil([&] { return player->control().position().value_or(0.0) > 1.0; }, 10000)) {
        state.SkipWithError("the clip did not start playing");
        return;
    }
    PlayerTestPeer(*player).Timer1->stop();
    // Ticks 10 ms apart in the program: each one asks the pipeline afresh.
    // Only the tick is timed; the pause between ticks lets frames and bus
    // messages be handled as in the running program.
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        player->Timer1_Timer();
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::usleep(2000);
    }
}
BENCHMARK(BM_Timer1Tick_Playing)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

// The engine's part of a tick: one position, one length.
void BM_EngineQueries_Playing(benchmark::State& state)
{
    const QString clip = clipPath();
    if (clip.isEmpty()) {
        state.SkipWithError("ffmpeg could not make the clip");
        return;
    }
    ensureApplication();
    veltrin::FilgraphManager graph;
    graph.RenderFile(clip);
    graph.Run();
    if (!spinUntil([&] { return graph.CurrentPosition() > 0.5; }, 10000)) {
        state.SkipWithError("the clip did not start playing");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(graph.CurrentPosition());
        benchmark::DoNotOptimize(graph.Duration());
    }
    // What each of those asks of the pipeline when nothing is remembered.
    gint64 ns = 0;
    const auto raw = [&](auto query) {
        const auto start = std::chrono::steady_clock::now();
        constexpr int kRounds = 2000;
        for (int i = 0; i < kRounds; ++i)
            query(graph.pipeline(), GST_FORMAT_TIME, &ns);
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                   .count()
            / kRounds;
    };
    state.counters["raw_position_us"] = raw(gst_element_query_position);
    state.counters["raw_duration_us"] = raw(gst_element_query_duration);
}
BENCHMARK(BM_EngineQueries_Playing)->Unit(benchmark::kMicrosecond);

} // namespace

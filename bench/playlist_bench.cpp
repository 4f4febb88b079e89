// A 20,000-entry play list of each kind: parsing it, and handing its entries
// to the player's file list as reading a list at start-up does.
#include "player/playlistfile.h"
#include "runtime/filelistmodel.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kEntries = 20000;

struct Kind {
    const char* name;
    const char* header;
    const char* line; // % stands for the entry's number
};
constexpr Kind kKinds[] = {
    { "/lists/names.pls", "", "Track % of a long play list.mpg" },
    { "/lists/ini.pls", "[playlist]\r\nNumberOfEntries=20000\r\n",
        "File%=Track % of a long play list.mpg" },
    { "/lists/list.m3u8", "#EXTM3U\r\n", "Track % of a long play list.mpg" },
};

QByteArray makeList(const Kind& kind)
{
    QByteArray bytes(kind.header);
    for (int i = 1; i <= kEntries; ++i)
        bytes += QByteArray(kind.line).replace("%", QByteArray::number(i)) + "\r\n";
    return bytes;
}

void BM_ParsePlayList(benchmark::State& state)
{
    const Kind& kind = kKinds[state.range(0)];
    const QByteArray bytes = makeList(kind);
    const QString name = QString::fromLatin1(kind.name);
    for (auto _ : state) {
        const QList<veltrin::PlayListEntry> entries = veltrin::parsePlayList(bytes, name);
        if (entries.size() != kEntries) {
            state.SkipWithError("not every entry was read");
            break;
        }
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
    state.SetLabel(kind.name);
}
BENCHMARK(BM_ParsePlayList)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_AppendPlayListToFileList(benchmark::State& state)
{
    const QList<veltrin::PlayListEntry> entries
        = veltrin::parsePlayList(makeList(kKinds[0]), QString::fromLatin1(kKinds[0].name));
    QTemporaryDir empty;
    for (auto _ : state) {
        state.PauseTiming();
        veltrin::FileListModel list;
        list.setPath(empty.path());
        state.ResumeTiming();
        for (const veltrin::PlayListEntry& e : entries)
            list.append(e.name, e.path);
        benchmark::DoNotOptimize(list.count());
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_AppendPlayListToFileList)->Unit(benchmark::kMillisecond);

} // namespace

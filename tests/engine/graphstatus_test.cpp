// What the desktop's watchers (media controls, screen saver) see of a real
// graph through IGraphStatus.
#include "engine/filgraphmanager.h"
#include "runtime/steps.h"
#include "support/media.h"
#include "support/wait.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

// Every state the observer saw, read from inside its call.
struct Watcher {
    IGraphStatus* status = nullptr;
    std::vector<PlaybackState> seen;
    std::vector<double> rates;

    explicit Watcher(IGraphStatus& graph)
        : status(&graph)
    {
        graph.setStatusObserver([this] {
            seen.push_back(status->playbackState());
            rates.push_back(status->rate());
        });
    }
    bool lastSeen(PlaybackState state) const { return !seen.empty() && seen.back() == state; }
};

struct StatusCase {
    Clip clip;
    bool video;
};

class GraphStatus : public ::testing::TestWithParam<StatusCase> { };

TEST_P(GraphStatus, followsTheGraphFromRenderToTeardown)
{
    auto graph = std::make_unique<FilgraphManager>();
    IGraphStatus& status = *graph;
    Watcher watcher(status);
    EXPECT_EQ(status.playbackState(), PlaybackState::Stopped);
    EXPECT_FALSE(status.hasVideo());

    graph->RenderFile(test::clipPath(GetParam().clip, 6));
    EXPECT_EQ(status.hasVideo(), GetParam().video);
    EXPECT_EQ(status.playbackState(), PlaybackState::Paused);
    ASSERT_TRUE(waitFor([&] { return watcher.lastSeen(PlaybackState::Paused); }));

    graph->Run();
    ASSERT_TRUE(waitFor([&] { return watcher.lastSeen(PlaybackState::Playing); }));
    EXPECT_EQ(status.playbackState(), PlaybackState::Playing);

    // A seek while playing passes through paused inside the pipeline; the
    // watchers must not see a pause (the screen saver would wake up).
    const size_t beforeSeek = watcher.seen.size();
    graph->setCurrentPosition(3.0);
    ASSERT_TRUE(waitFor([&] { return graph->CurrentPosition() > 3.2; }));
    for (size_t i = beforeSeek; i < watcher.seen.size(); ++i)
        EXPECT_EQ(watcher.seen[i], PlaybackState::Playing) << "call " << i;

    graph->Pause();
    EXPECT_EQ(status.playbackState(), PlaybackState::Paused);
    ASSERT_TRUE(waitFor([&] { return watcher.lastSeen(PlaybackState::Paused); }));

    // A new rate is told at once, and reads back.
    const size_t beforeRate = watcher.rates.size();
    graph->setRate(2.0);
    ASSERT_GT(watcher.rates.size(), beforeRate);
    EXPECT_EQ(watcher.rates.back(), 2.0);
    EXPECT_EQ(status.rate(), 2.0);
    EXPECT_EQ(watcher.seen.back(), PlaybackState::Paused);

    // The last call comes as the graph goes, and reads stopped.
    const size_t beforeTeardown = watcher.seen.size();
    graph.reset();
    ASSERT_EQ(watcher.seen.size(), beforeTeardown + 1);
    EXPECT_EQ(watcher.seen.back(), PlaybackState::Stopped);
}

INSTANTIATE_TEST_SUITE_P(Engine, GraphStatus,
    ::testing::Values(StatusCase { Clip::Mp4, true }, StatusCase { Clip::Mp3, false }),
    [](const auto& info) { return std::string(info.param.video ? "video" : "audioOnly"); });

// An empty function removes the observer: no call after it, not even the
// last one.
TEST(GraphStatusObserver, anEmptyFunctionRemovesIt)
{
    auto graph = std::make_unique<FilgraphManager>();
    int calls = 0;
    graph->setStatusObserver([&] { ++calls; });
    graph->RenderFile(test::clipPath(Clip::Mp3));
    ASSERT_TRUE(waitFor([&] { return calls > 0; }));
    graph->setStatusObserver({});
    const int before = calls;
    graph->Run();
    graph->setRate(2.0);
    ASSERT_TRUE(waitFor([&] { return graph->state() == GST_STATE_PLAYING; }));
    graph.reset();
    EXPECT_EQ(calls, before);
}

// Nothing changes state when a stream ends, yet the position jumps to the
// length: watchers that show it are told, and read it there.
TEST(GraphStatusObserver, theEndOfTheStreamIsToldWithThePositionAtTheLength)
{
    auto graph = std::make_unique<FilgraphManager>();
    std::vector<double> positions;
    graph->setStatusObserver(
        [&] { skipOnFailure([&] { positions.push_back(graph->CurrentPosition()); }); });
    graph->RenderFile(test::clipPath(Clip::Mp3, 2));
    graph->Run();
    ASSERT_TRUE(waitFor(
        [&] { return !positions.empty() && positions.back() == graph->Duration(); }, 10000));
    graph->setStatusObserver({});
}

} // namespace

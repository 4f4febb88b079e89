#include "engine/discopen.h"
#include "engine/filgraphmanager.h"
#include "runtime/openguard.h"
#include "runtime/steps.h"
#include "support/discmedia.h"
#include "support/heldread.h"
#include "support/media.h"
#include "support/wait.h"

#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::HeldFirstRead;
using veltrin::test::waitFor;

namespace {

using namespace std::chrono_literals;

// A window that counts its paints.
class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        QPainter(this).fillRect(rect(), Qt::darkGreen);
    }
};

// What the event loop did while an open held its source's first read: every
// tick of a 5 ms timer runs `during` once the source is held, until it has
// seen the window repaint; then it lets the source go.
struct WaitObserver {
    HeldFirstRead& held;
    std::function<void()> during;
    PaintCounter window;
    QTimer ticker;
    int ticksWhileHeld = 0;
    int paintsWhileHeld = 0;
    bool activeWhileHeld = false;
    bool releasedByTicks = false;

    explicit WaitObserver(HeldFirstRead& h, std::function<void()> d = {})
        : held(h)
        , during(std::move(d))
    {
        window.resize(64, 48);
        window.show();
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [this] { tick(); });
        ticker.start();
    }

    void tick()
    {
        if (!held.holding())
            return;
        if (ticksWhileHeld++ == 0) {
            activeWhileHeld = OpenInProgress::active();
            if (during)
                during();
            paintsWhileHeld = -window.paints;
            window.update();
            return;
        }
        if (paintsWhileHeld + window.paints > 0) {
            paintsWhileHeld += window.paints;
            releasedByTicks = true;
            held.release();
            ticker.stop();
        }
    }
};

TEST(OpenWait, windowPaintsAndTimersRunWhileTheSourceHoldsItsFirstRead)
{
    for (Clip kind : { Clip::Mp4, Clip::Mp3, Clip::Vob }) {
        SCOPED_TRACE(static_cast<int>(kind));
        FilgraphManager graph;
        HeldFirstRead held(graph.pipeline(), 4000ms);
        WaitObserver observer(held);
        graph.RenderFile(test::clipPath(kind));
        EXPECT_TRUE(graph.isRendered());
        // Released by the timer, not by the bound: the loop ran during the wait.
        EXPECT_TRUE(observer.releasedByTicks);
        EXPECT_GT(observer.paintsWhileHeld, 0);
        EXPECT_TRUE(observer.activeWhileHeld);
        EXPECT_FALSE(OpenInProgress::active());
        EXPECT_NEAR(graph.Duration(), 3.0, 0.3);
    }
}

// What handlers may do to a graph while it opens: it answers as a graph with
// nothing loaded, refuses a second open of itself or of any other graph, and
// its own open still completes.
TEST(OpenWait, callsDuringTheWaitFindNothingLoadedAndSecondOpensFail)
{
    FilgraphManager graph;
    FilgraphManager other;
    HeldFirstRead held(graph.pipeline(), 4000ms);
    const QString path = test::clipPath(Clip::Mp4);
    bool ownSecondOpenFailed = false;
    bool otherOpenFailed = false;
    bool seekFailed = false;
    double durationDuring = -1;
    WaitObserver observer(held, [&] {
        ownSecondOpenFailed = !skipOnFailure([&] { graph.RenderFile(path); });
        otherOpenFailed = !skipOnFailure([&] { other.RenderFile(path); });
        seekFailed = !skipOnFailure([&] { graph.setCurrentPosition(1.0); });
        durationDuring = graph.Duration();
        skipOnFailure([&] { graph.Run(); });
    });
    graph.RenderFile(path);
    EXPECT_TRUE(observer.releasedByTicks);
    EXPECT_TRUE(ownSecondOpenFailed);
    EXPECT_TRUE(otherOpenFailed);
    EXPECT_TRUE(seekFailed);
    EXPECT_EQ(durationDuring, 0.0);
    EXPECT_TRUE(graph.isRendered());
    // The Run asked during the wait found nothing loaded: the graph stays paused.
    EXPECT_EQ(graph.playbackState(), PlaybackState::Paused);
    // The other graph was left untouched and opens once the first is done.
    other.RenderFile(path);
    EXPECT_TRUE(other.isRendered());
}

TEST(OpenWait, graphReleasedDuringTheWaitLivesUntilItsOpenReturns)
{
    GraphRefs refs = makeGStreamerGraph();
    auto* graph = dynamic_cast<FilgraphManager*>(refs.control.get());
    ASSERT_NE(graph, nullptr);
    const std::weak_ptr<IMediaControl> watch = refs.control;
    bool aliveAfterRelease = false;
    {
        HeldFirstRead held(graph->pipeline(), 4000ms);
        WaitObserver observer(held, [&] {
            refs = {};
            aliveAfterRelease = !watch.expired();
        });
        std::shared_ptr<IMediaControl> control = watch.lock();
        IMediaControl* raw = control.get();
        control.reset(); // only the player's references hold it now
        raw->RenderFile(test::clipPath(Clip::Mp4));
        EXPECT_TRUE(observer.releasedByTicks);
    }
    EXPECT_TRUE(aliveAfterRelease);
    EXPECT_TRUE(watch.expired());
}

TEST(OpenWait, deleteLaterDuringTheWaitTakesEffectAfterIt)
{
    // Owned by the event loop once deleteLater is asked.
    QPointer<FilgraphManager> graph = new FilgraphManager;
    // Another event for the graph still queued when its open returns, as a
    // first frame's repaint may be.
    graph->setStatusObserver([&] {
        if (graph && graph->isRendered())
            QCoreApplication::postEvent(graph, new QEvent(QEvent::User));
    });
    {
        HeldFirstRead held(graph->pipeline(), 4000ms);
        WaitObserver observer(held, [&] { graph->deleteLater(); });
        graph->RenderFile(test::clipPath(Clip::Mp4));
        EXPECT_TRUE(observer.releasedByTicks);
        ASSERT_FALSE(graph.isNull());
        EXPECT_TRUE(graph->isRendered());
    }
    EXPECT_TRUE(waitFor([&] { return graph.isNull(); }));
}

// A source that gives nothing within the bound fails the open, as before the
// wait ran the event loop; the loop keeps running up to the bound.
TEST(OpenWait, aSourceHeldPastTheBoundFailsTheOpen)
{
    FilgraphManager graph;
    HeldFirstRead held(
        graph.pipeline(), FilgraphManager::kPrerollTimeout + std::chrono::milliseconds(300));
    int ticksWhileHeld = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileHeld += held.holding(); });
    ticker.start(5);
    EXPECT_THROW(graph.RenderFile(test::clipPath(Clip::Mp4)), Failure);
    EXPECT_GT(ticksWhileHeld, 1);
    EXPECT_FALSE(graph.isRendered());
    EXPECT_FALSE(OpenInProgress::active());
    EXPECT_EQ(graph.Duration(), 0.0);
}

// Holds every disc open back, as a drive spinning up would, until release()
// or until the bound passes; counts the opens made on the GUI thread.
class HeldDiscOpen {
public:
    explicit HeldDiscOpen(std::chrono::milliseconds bound)
        : m_state(std::make_shared<State>())
    {
        const std::thread::id gui = std::this_thread::get_id();
        setDiscOpenHook([state = m_state, bound, gui](const QString&) {
            std::unique_lock lock(state->mutex);
            ++state->opens;
            state->opensOnGui += std::this_thread::get_id() == gui;
            state->holding = true;
            state->released.wait_for(lock, bound, [&] { return state->release; });
            state->holding = false;
        });
    }
    ~HeldDiscOpen()
    {
        setDiscOpenHook({});
        release();
    }
    HeldDiscOpen(const HeldDiscOpen&) = delete;
    HeldDiscOpen& operator=(const HeldDiscOpen&) = delete;

    void release()
    {
        std::lock_guard lock(m_state->mutex);
        m_state->release = true;
        m_state->released.notify_all();
    }
    bool holding() const
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->holding;
    }
    int opens() const
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->opens;
    }
    int opensOnGui() const
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->opensOnGui;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable released;
        bool release = false;
        bool holding = false;
        int opens = 0;
        int opensOnGui = 0;
    };
    std::shared_ptr<State> m_state;
};

// A disc is read where the window cannot feel it: the drive spinning up holds
// a thread of its own while the window repaints, and the source element then
// starts on the file opened there, without opening the disc again.
TEST(OpenWait, aDiscSpinningUpIsOpenedOffTheGuiThread)
{
    const QString track = test::discImages().vcdCue + QStringLiteral("/MPEGAV/AVSEQ02.DAT");
    FilgraphManager graph;
    HeldDiscOpen held(4000ms);
    PaintCounter window;
    window.resize(64, 48);
    window.show();
    bool seenHeld = false;
    int paintsWhileHeld = 0;
    bool releasedByTicks = false;
    bool activeWhileHeld = false;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (!held.holding())
            return;
        if (!std::exchange(seenHeld, true)) {
            activeWhileHeld = OpenInProgress::active();
            paintsWhileHeld = -window.paints;
            window.update();
        } else if (paintsWhileHeld + window.paints > 0) {
            releasedByTicks = true;
            held.release();
        }
    });
    ticker.start(5);
    graph.RenderFile(track);
    EXPECT_TRUE(graph.isRendered());
    EXPECT_TRUE(releasedByTicks);
    EXPECT_TRUE(activeWhileHeld);
    EXPECT_EQ(held.opens(), 1);
    EXPECT_EQ(held.opensOnGui(), 0);
    EXPECT_NEAR(graph.Duration(), 5.0, 0.5);
    graph.Run();
    EXPECT_TRUE(waitFor([&] { return graph.CurrentPosition() > 0.5; }, 5000));
}

// A disc that never answers fails the open at the bound; the window lived
// through it, and a later open of another disc file goes on as usual.
TEST(OpenWait, aDiscHeldPastTheBoundFailsTheOpen)
{
    const QString track = test::discImages().vcdCue + QStringLiteral("/MPEGAV/AVSEQ01.DAT");
    {
        FilgraphManager graph;
        HeldDiscOpen held(FilgraphManager::kPrerollTimeout + 300ms);
        int ticksWhileHeld = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileHeld += held.holding(); });
        ticker.start(5);
        EXPECT_THROW(graph.RenderFile(track), Failure);
        EXPECT_GT(ticksWhileHeld, 100);
        EXPECT_FALSE(graph.isRendered());
        EXPECT_FALSE(OpenInProgress::active());
        EXPECT_EQ(held.opensOnGui(), 0);
    }
    FilgraphManager graph;
    graph.RenderFile(track);
    EXPECT_TRUE(graph.isRendered());
}

} // namespace

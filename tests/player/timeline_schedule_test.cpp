#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "player/playerfrm.h"
#include "player/playerfrm_testpeer.h"
#include "player/timelineschedule.h"
#include "runtime/openguard.h"
#include "runtime/units.h"
#include "support/fake_graph.h"
#include "support/media.h"
#include "support/wait.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <memory>
#include <utility>
#include <vector>

using namespace veltrin;
using veltrin::test::FakeGraph;
using veltrin::test::FakeGraphFactory;
using veltrin::test::FakeMedia;

namespace {

TEST(TimelineSchedule, nextTickIsOnTheTenMillisecondGridAtTheFirstPossibleChange)
{
    // Binary fractions, so the arithmetic is exact; the clock reads 1000.
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double position, duration, rate;
        qint64 at;
    } cases[] = {
        { 0.25, 10.0, 1.0, 1250 }, // slider at 0.5
        { 0.75, 10.5, 1.0, 1250 }, // elapsed at 1
        { 0.25, 10.375, 1.0, 1130 }, // remaining at 10.375 - 10, on to the grid
        { 0.25, 10.0, 2.0, 1130 }, // double rate halves the wait
        { 0.25, inf, 1.0, 1250 }, // no length: slider and elapsed only
        { 0.25, nan, 1.0, 1250 },
        { 0.25 - 1.0 / 512, 10.0, 1.0, 1250 }, // due 1.95 ms after a tick: that tick looks
        { 0.25 - 3.0 / 1024, 10.0, 1.0, 1260 }, // due 2.9 ms after: the next one
        { 2.5, 10.25, 1.0, 1010 }, // at a half rounding down to even
        { 0.0, 10.0, 1.0, 1010 }, // remaining leaves 10 right away
        { 10.0, 10.0, 1.0, 1500 }, // at the end the remaining text stays 00:00:00,
        { 12.25, 10.0, 1.0, 1250 }, // but a length that was an estimate may be passed
        { 0.25, 10.0, 0.0, 1010 }, // no usable rate or position: poll
        { 0.25, 10.0, nan, 1010 },
        { nan, 10.0, 1.0, 1010 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position << " of " << c.duration << " at " << c.rate);
        EXPECT_EQ(nextTickAt(1000, c.position, c.duration, c.rate), c.at);
    }
    // Strictly after now, on any clock.
    EXPECT_EQ(nextGridTick(1000), 1010);
    EXPECT_EQ(nextGridTick(1009), 1010);
    EXPECT_EQ(nextGridTick(-10), 0);
    EXPECT_EQ(nextGridTick(-15), -10);
    EXPECT_EQ(nextTickAt(1003, 0.25, 10.0, 1.0), 1260);
}

// What the timeline shows, as the player's own ticks leave it.
struct Shown {
    qint64 at;
    QString field;
    QString value;
};

// The player over fake graphs whose position follows a clock the test steps.
// Either its own schedule fires Timer1 (at the due times it asks for), or
// the test ticks it every 10 ms as the old fixed timer did: the reference.
struct ClockedPlayer {
    QTemporaryDir dir;
    FakeGraphFactory graphs;
    qint64 now = 0;
    std::unique_ptr<playerfrm> player;
    std::vector<Shown> shown;
    std::map<QString, QString> last;
    int wakes = 0;

    explicit ClockedPlayer(std::map<QString, double> durations)
    {
        for (const auto& [name, duration] : durations)
            QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        graphs.media = [durations](const QString& path) {
            FakeMedia m;
            m.duration = durations.at(path.section(u'/', -1));
            return std::optional<FakeMedia>(m);
        };
        player = std::make_unique<playerfrm>(playerfrm::Options {
            .graphFactory = graphs.factory(),
            .mountTable = dir.filePath(QStringLiteral("no-mounts")),
            .formFile = {},
            .useTray = false,
        });
        in().timelineClock = [this] { return now; };
        in().File1.setPath(dir.path());
    }
    PlayerTestPeer in() const { return PlayerTestPeer(*player); }

    void advanceTo(qint64 t)
    {
        if (auto g = graphs.graph(); g && g->running)
            g->position
                = std::min(g->position + double(t - now) / 1000.0 * g->rate(), g->Duration());
        now = t;
    }
    // Notices are posted; they arrive at the same instant. Timers are not
    // dispatched: the test fires them on its clock.
    void settle()
    {
        QCoreApplication::sendPostedEvents();
        record();
    }
    void record()
    {
        const QString values[][2] = {
            { QStringLiteral("slider"), QString::number(in().H1->Value()) },
            { QStringLiteral("remaining"), in().txtSectotime1.get() },
            { QStringLiteral("elapsed"), in().lblTimeused->text() },
            { QStringLiteral("file"), in().CurrentFile.section(u'/', -1) },
        };
        for (const auto& [field, value] : values) {
            if (last[field] != value)
                shown.push_back({ now, field, value });
            last[field] = value;
        }
    }
    void tick()
    {
        ++wakes;
        player->Timer1_Timer();
        settle();
    }
    // Up to t, by the player's own schedule.
    void runScheduled(qint64 t)
    {
        while (in().Timer1->isActive() && in().tickDue <= t) {
            advanceTo(in().tickDue);
            in().Timer1->stop();
            tick();
        }
        advanceTo(t);
    }
    // Up to t, a tick on every 10 ms of the clock.
    void runEvery10ms(qint64 t)
    {
        for (qint64 g = (now / 10 + 1) * 10; g <= t; g += 10) {
            advanceTo(g);
            tick();
        }
        advanceTo(t);
        in().Timer1->stop();
    }
};

// A user's actions at given instants.
struct Step {
    qint64 at;
    std::function<void(ClockedPlayer&)> act;
};

void play(ClockedPlayer& p, const std::vector<Step>& steps, qint64 end, bool scheduled)
{
    for (const auto& s : steps) {
        scheduled ? p.runScheduled(s.at) : p.runEvery10ms(s.at);
        s.act(p);
        p.settle();
    }
    scheduled ? p.runScheduled(end) : p.runEvery10ms(end);
}

std::vector<Shown> field(const std::vector<Shown>& all, const QString& name)
{
    std::vector<Shown> out;
    std::copy_if(all.begin(), all.end(), std::back_inserter(out),
        [&](const Shown& s) { return s.field == name; });
    return out;
}

void start(ClockedPlayer& p)
{
    p.in().File1.select(0);
    p.player->fncPlay();
}

TEST(TimelineSchedule, showsWhatTheTenMillisecondTickShowedAtMostOneTickLater)
{
    const auto seek = [](int seconds) {
        return [seconds](ClockedPlayer& p) {
            p.in().H1->setValue(seconds);
            emit p.in().H1->Scroll();
        };
    };
    struct Scenario {
        const char* name;
        std::map<QString, double> durations;
        std::vector<Step> steps;
        qint64 end;
        QStringList files; // the entries the player went through, in order
    } scenarios[] = {
        { "seek, fast forward, pause and run, then two ends of track",
            { { QStringLiteral("T1.DAT"), 12.3 }, { QStringLiteral("T2.DAT"), 4.7 } },
            {
                { 0, start },
                { 2003, seek(7) },
                { 3007, [](ClockedPlayer& p) { emit p.in().cmdForward->MouseDown(1, 0, 1, 1); } },
                { 4005, [](ClockedPlayer& p) { emit p.in().cmdForward->MouseUp(1, 0, 1, 1); } },
                { 5001, [](ClockedPlayer& p) { p.player->control().pause(); } },
                { 6502, [](ClockedPlayer& p) { p.player->control().play(); } },
            },
            16000, { QStringLiteral("T1.DAT"), QString(), QStringLiteral("T2.DAT"), QString() } },
        { "3:30.5 stops at 210 s and opens the next entry",
            { { QStringLiteral("T1.DAT"), 210.5 }, { QStringLiteral("T2.DAT"), 60.0 } },
            { { 0, start }, { 1000, seek(208) } }, 4500,
            { QStringLiteral("T1.DAT"), QString(), QStringLiteral("T2.DAT") } },
        // The engine's position stands still for a while (buffering) without
        // telling anyone, then moves on.
        { "a position that stalls and moves on", { { QStringLiteral("T1.DAT"), 9.0 } },
            {
                { 0, start },
                { 1204, [](ClockedPlayer& p) { p.graphs.graph()->running = false; } },
                { 2777, [](ClockedPlayer& p) { p.graphs.graph()->running = true; } },
            },
            6000, { QStringLiteral("T1.DAT") } },
        // Leaving T1 at 5.4 s, the elapsed 00:00:05 equals T2's total: the
        // first tick on T2 advances once more.
        { "a manual track change whose total equals the elapsed text",
            { { QStringLiteral("T1.DAT"), 20.0 }, { QStringLiteral("T2.DAT"), 5.2 },
                { QStringLiteral("T3.DAT"), 8.0 } },
            { { 0, start }, { 5400, [](ClockedPlayer& p) { p.player->NextTrack(); } } }, 7000,
            { QStringLiteral("T1.DAT"), QStringLiteral("T2.DAT"), QStringLiteral("T3.DAT") } },
    };
    for (const auto& sc : scenarios) {
        SCOPED_TRACE(sc.name);
        ClockedPlayer reference(sc.durations);
        play(reference, sc.steps, sc.end, false);
        ClockedPlayer scheduled(sc.durations);
        play(scheduled, sc.steps, sc.end, true);

        QStringList files;
        for (const auto& s : field(scheduled.shown, QStringLiteral("file")))
            files << s.value;
        EXPECT_EQ(files, sc.files);
        for (const char* name : { "slider", "remaining", "elapsed", "file" }) {
            SCOPED_TRACE(name);
            const auto want = field(reference.shown, QString::fromLatin1(name));
            const auto got = field(scheduled.shown, QString::fromLatin1(name));
            ASSERT_EQ(got.size(), want.size());
            for (size_t i = 0; i < want.size(); ++i) {
                EXPECT_EQ(got[i].value, want[i].value) << i;
                EXPECT_LE(got[i].at, want[i].at + kTickMs) << got[i].value.toStdString();
                EXPECT_GE(got[i].at, want[i].at - kTickMs) << got[i].value.toStdString();
            }
        }
        // The point of the schedule: a few wakes a second of media, not 100.
        EXPECT_LT(scheduled.wakes * 5, reference.wakes);
    }
}

TEST(TimelineSchedule, noWakeWithoutAGraphNorWhilePausedOrStopped)
{
    ClockedPlayer p({ { QStringLiteral("T1.DAT"), 30.0 } });
    p.settle();
    EXPECT_FALSE(p.in().Timer1->isActive()) << "idle with no graph";

    start(p);
    p.settle();
    p.runScheduled(1200);
    EXPECT_TRUE(p.in().Timer1->isActive()) << "playing";

    struct {
        const char* name;
        std::function<void()> act;
    } holds[] = {
        { "paused", [&] { p.player->control().pause(); } },
        { "stopped", [&] { p.player->control().stop(); } },
    };
    for (const auto& hold : holds) {
        SCOPED_TRACE(hold.name);
        hold.act();
        p.settle();
        // One tick soon shows the new state, then nothing is armed.
        ASSERT_TRUE(p.in().Timer1->isActive());
        EXPECT_LE(p.in().tickDue, p.now + kTickMs);
        const int before = p.wakes;
        p.runScheduled(p.now + 60000);
        EXPECT_EQ(p.wakes, before + 1);
        EXPECT_FALSE(p.in().Timer1->isActive());
    }

    // The graph goes away: a tick already armed finds nothing and arms none.
    p.player->control().play();
    p.settle();
    p.player->CleanUp();
    p.runScheduled(p.now + 60000);
    EXPECT_FALSE(p.in().Timer1->isActive());
}

// A tick that falls inside an open (its wait runs the event loop) is skipped
// and taken up at the grid once the open has returned.
TEST(TimelineSchedule, aTickDuringAnOpenIsTakenUpAfterIt)
{
    ClockedPlayer p({ { QStringLiteral("T1.DAT"), 30.0 } });
    start(p);
    p.settle();
    p.runScheduled(950);
    const QString elapsed = p.in().lblTimeused->text();
    ASSERT_EQ(p.in().tickDue, 1000);
    p.advanceTo(1003); // the tick due at 1000 runs late, inside an open
    {
        OpenInProgress open;
        p.in().Timer1->stop();
        p.tick();
        EXPECT_EQ(p.in().lblTimeused->text(), elapsed);
        EXPECT_FALSE(p.in().Timer1->isActive());
    }
    p.settle();
    ASSERT_TRUE(p.in().Timer1->isActive());
    EXPECT_EQ(p.in().tickDue, 1010);
    p.runScheduled(1010);
    EXPECT_EQ(p.in().lblTimeused->text(), QStringLiteral("00:00:01"));
}

// Reads the instant a timer was due for as its timer event arrives, before
// the handlers that re-arm it, and runs `before` there.
struct DueWatch : QObject {
    const qint64& due;
    std::function<void(qint64)> before;
    qint64 fired = -1;
    DueWatch(QTimer* timer, const qint64& due, std::function<void(qint64)> before)
        : due(due)
        , before(std::move(before))
    {
        timer->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Timer) {
            fired = due;
            before(fired);
        }
        return false;
    }
};

// A real clip, with fast forward half way. Beside the player runs the old
// fixed tick, on the same grid and reading the same engine: the player shows
// every value that tick showed, in the same order, each at most one tick
// apart (by the instants the two timers were due, so a busy machine delaying
// both does not count), and wakes far less often.
TEST(TimelineSchedule, realPlaybackShowsWhatTheFixedTickShowed)
{
    QTemporaryDir dir;
    const QString clip = test::copyClip(test::Clip::Mp3, dir.path(), QStringLiteral("tone.mp3"), 4);
    PlayerOptions options;
    options.useTray = false;
    options.mountTable = dir.filePath(QStringLiteral("no-mounts"));
    playerfrm player(options);
    PlayerTestPeer in(player);
    player.show();

    const auto clock = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    struct Side {
        std::vector<Shown> shown;
        std::map<QString, QString> last;
        int wakes = 0;
        void note(qint64 due, const QString& field, const QString& value)
        {
            if (last[field] != value)
                shown.push_back({ due, field, value });
            last[field] = value;
        }
    } fixed, scheduled;
    // Both start from what the window shows before anything plays.
    for (Side* side : { &fixed, &scheduled }) {
        side->last[QStringLiteral("slider")] = QString::number(in.H1->Value());
        side->last[QStringLiteral("remaining")] = in.txtSectotime1.get();
        side->last[QStringLiteral("elapsed")] = in.lblTimeused->text();
    }

    // The old tick's three steps, worked out from the engine.
    QTimer reference;
    reference.setSingleShot(true);
    reference.setTimerType(Qt::PreciseTimer);
    qint64 referenceDue = 0;
    const auto armReference = [&] {
        const qint64 now = clock();
        referenceDue = nextGridTick(now);
        reference.start(static_cast<int>(referenceDue - now));
    };
    bool fastForward = false;
    const auto referenceTick = [&] {
        const qint64 due = referenceDue;
        armReference();
        if (OpenInProgress::active())
            return;
        ++fixed.wakes;
        const auto position = player.control().position();
        const auto duration = player.control().duration();
        if (!position)
            return;
        const auto slider
            = std::clamp<long long>(roundHalfEven(*position), in.H1->Min(), in.H1->Max());
        fixed.note(due, QStringLiteral("slider"), QString::number(slider));
        if (duration)
            fixed.note(
                due, QStringLiteral("remaining"), playerfrm::SecToTime(*duration - *position));
        fixed.note(due, QStringLiteral("elapsed"), playerfrm::SecToTime(*position));
        if (!fastForward && *position >= 1.3) {
            fastForward = true;
            player.control().setRate(2.0);
        }
    };
    QObject::connect(&reference, &QTimer::timeout, &reference, referenceTick);

    // After each of the player's ticks: what it shows now. The tick re-arms
    // the timer, so the instant it was due for is read as it fires. A
    // reference tick due at the same instant reads the engine first, as the
    // old tick read it before its own rules acted: the last second of the
    // clip is shown by the same tick that stops the player.
    DueWatch due(in.Timer1, in.tickDue, [&](qint64 at) {
        if (reference.isActive() && referenceDue <= at) {
            reference.stop();
            referenceTick();
        }
    });
    QObject::connect(in.Timer1, &QTimer::timeout, in.Timer1, [&] {
        ++scheduled.wakes;
        scheduled.note(due.fired, QStringLiteral("slider"), QString::number(in.H1->Value()));
        scheduled.note(due.fired, QStringLiteral("remaining"), in.txtSectotime1.get());
        scheduled.note(due.fired, QStringLiteral("elapsed"), in.lblTimeused->text());
    });
    player.Form_Load(clip);
    ASSERT_FALSE(in.CurrentFile.isEmpty());
    armReference();
    // Stopped at the end (the clip is the whole play list), then one tick
    // more for the rules to settle.
    ASSERT_TRUE(
        test::waitFor([&] { return in.CurrentFile.isEmpty() && !in.Timer1->isActive(); }, 20000));
    ASSERT_TRUE(test::waitFor([&, n = fixed.wakes + 3] { return fixed.wakes >= n; }));
    reference.stop();

    EXPECT_TRUE(fastForward);
    for (const char* name : { "slider", "remaining", "elapsed" }) {
        SCOPED_TRACE(name);
        const auto want = field(fixed.shown, QString::fromLatin1(name));
        const auto got = field(scheduled.shown, QString::fromLatin1(name));
        QStringList wantValues, gotValues;
        for (const auto& s : want)
            wantValues << s.value;
        for (const auto& s : got)
            gotValues << s.value;
        ASSERT_EQ(gotValues, wantValues);
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_LE(got[i].at, want[i].at + kTickMs) << got[i].value.toStdString();
            EXPECT_GE(got[i].at, want[i].at - kTickMs) << got[i].value.toStdString();
        }
    }
    EXPECT_LT(scheduled.wakes * 5, fixed.wakes);
}

} // namespace

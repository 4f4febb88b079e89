#include "player/playerfrm.h"

#include "player/timelineschedule.h"

#include "controls/scrollbar/dtvisualscrollbar.h"
#include "runtime/openguard.h"
#include "runtime/steps.h"
#include "runtime/units.h"

#include <QLabel>
#include <QTimer>
#include <chrono>
#include <cmath>

using veltrin::must;
using veltrin::PlaybackState;
using veltrin::skipOnFailure;

QString playerfrm::SecToTime(double seconds)
{
    if (!std::isfinite(seconds))
        return QStringLiteral("00:00:00");
    const double t = std::floor(seconds);
    if (t < 1)
        return QStringLiteral("00:00:00");
    const double h = std::floor(t / 3600);
    if (h > 24)
        return QStringLiteral("24:59:59");
    const double m = std::floor((t - 3600 * h) / 60);
    const double s = t - 60 * std::floor(t / 60);
    // Written out by hand: this runs twice every 10 ms, and three
    // QString::arg calls were a quarter of the tick.
    const int parts[] = { static_cast<int>(h), static_cast<int>(m), static_cast<int>(s) };
    QChar text[8];
    for (int i = 0; i < 3; ++i) {
        text[3 * i] = QChar(u'0' + parts[i] / 10);
        text[3 * i + 1] = QChar(u'0' + parts[i] % 10);
        if (i < 2)
            text[3 * i + 2] = QChar(u':');
    }
    return QString(text, 8);
}

void playerfrm::Timer1_Timer()
{
    // With no graph all three steps would fail and change nothing, and
    // nothing arms the next tick until a graph comes.
    if (!graph.position)
        return;
    // While a file opens the new graph has no position yet: a tick would see
    // 0 of 0 and run the end-of-track rules inside the open. The tick is
    // taken up again once the open has returned.
    if (veltrin::OpenInProgress::active()) {
        veltrin::OpenInProgress::afterOpen(this, [this] { timelineChanged(); });
        return;
    }
    // Each step asks the engine afresh.
    skipOnFailure([&] {
        const double pos = must(graph.position).CurrentPosition();
        H1->setValue(static_cast<qint32>(
            std::clamp<long long>(veltrin::roundHalfEven(pos), INT32_MIN, INT32_MAX)));
    });
    skipOnFailure([&] {
        const double remaining
            = must(graph.position).Duration() - must(graph.position).CurrentPosition();
        txtSectotime1 = SecToTime(remaining);
    });
    skipOnFailure([&] { lblTimeusedText = SecToTime(must(graph.position).CurrentPosition()); });
    scheduleTimer1();
}

void playerfrm::scheduleTimer1()
{
    // Paused or stopped, nothing moves until a notice says otherwise. (A
    // stop or an open made by the rules arrives as such a notice.)
    if (!graph.position || playbackState() != PlaybackState::Playing)
        return;
    const qint64 now = timelineNow();
    double position = std::nan("");
    double duration = std::nan("");
    skipOnFailure([&] { position = must(graph.position).CurrentPosition(); });
    skipOnFailure([&] { duration = must(graph.position).Duration(); });
    const double rate = graph.status ? graph.status->rate() : 1.0;
    armTimer1(now, veltrin::nextTickAt(now, position, duration, rate));
}

void playerfrm::timelineChanged()
{
    if (!graph.position)
        return;
    // The next tick of the grid, as the fixed timer would have shown it; one
    // already due by then serves.
    const qint64 now = timelineNow();
    const qint64 due = veltrin::nextGridTick(now);
    if (Timer1->isActive() && m_tickDue <= due)
        return;
    armTimer1(now, due);
}

qint64 playerfrm::timelineNow() const
{
    if (m_timelineClock)
        return m_timelineClock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void playerfrm::armTimer1(qint64 now, qint64 due)
{
    m_tickDue = due;
    Timer1->start(static_cast<int>(std::clamp<qint64>(due - now, 0, INT32_MAX)));
}

void playerfrm::txtSectotime1_Change()
{
    if (Label3.get() == Label4.get())
        NextTrack();
}

void playerfrm::lblTimeused_Change()
{
    lblTimeused->setText(lblTimeusedText.get());
    Label3 = lblTimeusedText.get();
    lblTimeused->setToolTip(Label4.get());
}

void playerfrm::txtSectotime3_Change()
{
    Label4 = txtSectotime3.get();
}

void playerfrm::Label3_Change()
{
    if (Label3.get() == Label4.get())
        cmdStop_Click();
}

void playerfrm::H1_Scroll()
{
    skipOnFailure([&] { must(graph.position).setCurrentPosition(H1->Value()); });
    double now = 0.0;
    skipOnFailure([&] { now = must(graph.position).CurrentPosition(); });
    emit control().seeked(now);
}

void playerfrm::cmdForward_MouseDown()
{
    skipOnFailure([&] { must(graph.position).setRate(2.0); });
}

void playerfrm::cmdForward_MouseUp()
{
    skipOnFailure([&] { must(graph.position).setRate(1.0); });
}

void playerfrm::V1_Scroll()
{
    skipOnFailure([&] { must(graph.audio).setVolume(V1->Value()); });
}

void playerfrm::H2_Change()
{
    skipOnFailure([&] { must(graph.audio).setBalance(H2->Value()); });
}

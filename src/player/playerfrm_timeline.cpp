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
    // 0 of 0 and run the end-of-track rules inside the open. The open's own
    // notice arms the next tick.
    if (veltrin::OpenInProgress::active())
        return;
    const qint32 sliderWas = H1->Value();
    const QString remainingWas = txtSectotime1.get();
    const QString elapsedWas = lblTimeusedText.get();
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

    // Paused or stopped, nothing moves until a notice says otherwise. (A
    // stop or an open made by the rules above arrives as such a notice.)
    if (!graph.position || playbackState() != PlaybackState::Playing) {
        m_timelineMisses = 0;
        return;
    }
    const bool changed = H1->Value() != sliderWas || txtSectotime1.get() != remainingWas
        || lblTimeusedText.get() != elapsedWas;
    m_timelineMisses = changed ? 0 : m_timelineMisses + 1;
    double position = 0.0;
    double duration = 0.0;
    if (!skipOnFailure([&] {
            position = must(graph.position).CurrentPosition();
            duration = must(graph.position).Duration();
        })) {
        armTimer1(veltrin::kTickMs);
        return;
    }
    const double rate = graph.status ? graph.status->rate() : 1.0;
    armTimer1(veltrin::nextTickDelayMs(position, duration, rate, m_timelineMisses));
}

void playerfrm::timelineChanged()
{
    if (!graph.position)
        return;
    m_timelineMisses = 0;
    // A tick already due sooner serves; pushing it back could starve the
    // display under a stream of events.
    if (Timer1->isActive() && m_tickDue - timelineNow() <= veltrin::kTickMs)
        return;
    armTimer1(veltrin::kTickMs);
}

qint64 playerfrm::timelineNow() const
{
    if (m_timelineClock)
        return m_timelineClock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void playerfrm::armTimer1(int ms)
{
    m_tickDue = timelineNow() + ms;
    Timer1->start(ms);
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

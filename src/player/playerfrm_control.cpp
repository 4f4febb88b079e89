#include "player/playerfrm_control.h"

#include "controls/scrollbar/dtvisualscrollbar.h"
#include "runtime/steps.h"

#include <QTimer>
#include <algorithm>
#include <utility>

using veltrin::must;
using veltrin::PlaybackState;
using veltrin::skipOnFailure;

bool playerfrm::Control::seekTo(double seconds)
{
    // Nothing to seek in while a file opens; the new file starts at 0.
    if (veltrin::OpenInProgress::active())
        return false;
    if (!skipOnFailure([&] { must(m_p.graph.position).setCurrentPosition(seconds); }))
        return false;
    emit seeked(seconds);
    return true;
}

void playerfrm::Control::setRate(double rate)
{
    later([this, rate] { skipOnFailure([&] { must(m_p.graph.position).setRate(rate); }); });
}

void playerfrm::Control::setVolume(int volume)
{
    later([this, volume] {
        dtVisualScrollBar& slider = *m_p.V1;
        slider.setValue(std::clamp(volume, slider.Min(), slider.Max()));
        m_p.V1_Scroll();
    });
}

bool playerfrm::Control::hasVideo() const
{
    return m_p.graph.status && m_p.graph.status->hasVideo();
}

double playerfrm::Control::rate() const
{
    return m_p.graph.status ? m_p.graph.status->rate() : 1.0;
}

std::optional<double> playerfrm::Control::position() const
{
    std::optional<double> seconds;
    skipOnFailure([&] { seconds = must(m_p.graph.position).CurrentPosition(); });
    return seconds;
}

std::optional<double> playerfrm::Control::duration() const
{
    std::optional<double> seconds;
    skipOnFailure([&] { seconds = must(m_p.graph.position).Duration(); });
    return seconds;
}

int playerfrm::Control::volume() const
{
    return m_p.V1->Value();
}

veltrin::PlayerControl& playerfrm::control()
{
    return *m_control;
}

void playerfrm::attachGraph(GraphRefs fresh)
{
    // The old graph's last words no longer matter: the new one is the one
    // that plays.
    if (graph.status)
        graph.status->setStatusObserver({});
    graph.control = fresh.control;
    graph.audio = fresh.audio;
    graph.position = fresh.position;
    graph.status = fresh.status;
    // Replacing the video-window reference releases the previous graph.
    graph.video = fresh.video;
    ++m_graphsMade;
    m_runRequested = false;
    if (graph.status)
        graph.status->setStatusObserver([this] { scheduleNotice(); });
    scheduleNotice();
}

void playerfrm::runGraph()
{
    must(graph.control).Run();
    m_runRequested = true;
    scheduleNotice();
}

void playerfrm::pauseGraph()
{
    must(graph.control).Pause();
    m_runRequested = false;
    scheduleNotice();
}

void playerfrm::stopGraph()
{
    must(graph.control).Stop();
    m_runRequested = false;
    scheduleNotice();
}

PlaybackState playerfrm::playbackState() const
{
    PlaybackState state = graph.status ? graph.status->playbackState() : PlaybackState::Stopped;
    // A graph asked to run gets there through a pause (an open, a seek or a
    // change of rate while playing); it is playing all the same.
    if (state == PlaybackState::Paused && m_runRequested)
        return PlaybackState::Playing;
    // Stop leaves the graph paused at 0 and forgets the current file.
    if (state == PlaybackState::Paused && CurrentFile.isEmpty())
        return PlaybackState::Stopped;
    return state;
}

void playerfrm::openCommandLine(const QString& path)
{
    CurrentFile = path;
    scheduleNotice();
    LoadCommFile();
}

void playerfrm::raiseWindow()
{
    if (windowStateValue() == 1)
        setWindowStateValue(0);
    show();
    raise();
    activateWindow();
}

void playerfrm::scheduleNotice()
{
    // Several bus messages in one dispatch, or an open that replaces the graph
    // and starts it, make one notice.
    if (m_noticePending || !m_control)
        return;
    m_noticePending = true;
    QTimer::singleShot(0, m_control.get(), [this] {
        m_noticePending = false;
        sendNotices();
    });
}

void playerfrm::sendNotices()
{
    const Noticed now { CurrentFile, m_graphsMade, m_control->duration() };
    const Noticed was = std::exchange(m_noticed, now);
    if (now.file != was.file || now.track != was.track)
        emit m_control->trackChanged();
    // Sent on every notice: the graph itself may have moved on (reached the
    // state it was asked for) while the player's summary stayed the same.
    emit m_control->stateChanged();
    if (now.duration != was.duration)
        emit m_control->rangeChanged();
}

#pragma once

#include "player/playerfrm.h"
#include "runtime/openguard.h"

#include <functional>

// The player's commands and state as PlayerControl offers them: each forwards
// to the handler the player's own button or menu item runs.
class playerfrm::Control final : public veltrin::PlayerControl {
public:
    explicit Control(playerfrm& player)
        : m_p(player)
    {
    }

    // A command that comes while a file opens (from the bus, a second start)
    // waits until the open has returned: it would act on a graph in the middle
    // of its open.
    void play() override
    {
        later([this] { m_p.fncPlay(); });
    }
    void pause() override
    {
        later([this] { m_p.Pause(); });
    }
    void stop() override
    {
        later([this] { m_p.fncStop(); });
    }
    void next() override
    {
        later([this] { m_p.NextTrack(); });
    }
    void previous() override
    {
        later([this] { m_p.PrevTrack(); });
    }
    bool seekTo(double seconds) override;
    void setRate(double rate) override;
    void setVolume(int volume) override;
    void openCommandLine(const QString& path) override
    {
        later([this, path] { m_p.openCommandLine(path); });
    }
    bool playFolder(const veltrin::FolderChoice& choice) override { return m_p.playFolder(choice); }
    void showWindow() override { m_p.show(); }
    void raiseWindow() override { m_p.raiseWindow(); }
    void quit() override
    {
        later([this] { m_p.mnuExit_Click(); });
    }

    QString currentFile() const override { return m_p.CurrentFile; }
    quint64 trackNumber() const override { return m_p.m_graphsMade; }
    veltrin::PlaybackState playbackState() const override { return m_p.playbackState(); }
    bool hasVideo() const override;
    double rate() const override;
    std::optional<double> position() const override;
    std::optional<double> duration() const override;
    int volume() const override;

private:
    void later(std::function<void()> work)
    {
        veltrin::OpenInProgress::afterOpen(&m_p, std::move(work));
    }

    playerfrm& m_p;
};

#pragma once

#include "engine/interfaces.h"

#include <QObject>
#include <QString>
#include <optional>

namespace veltrin {

// What the folder browser hands the player: a folder, a pattern and the entry
// to start with.
struct FolderChoice {
    QString folder;
    QString pattern;
    int index = 0; // -1: no entry, so the bare folder is tried and nothing plays
    // Stop what plays before the play list changes; without it loaded media
    // plays on, since play only opens when nothing is loaded.
    bool stopFirst = false;
    // When set, the title line becomes this followed by the entry's name.
    std::optional<QString> titlePrefix;
};

// The player as the rest of the program sees it: the desktop's media
// controls, the folder browser, dropped files and a second start drive it
// through these commands, each the same operation as the player's own button
// or menu item, and follow it through the state and notifications below.
// Everything runs on the GUI thread.
class PlayerControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // ---- Commands ----
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;
    // Moves the position as the seek slider does; false when the graph
    // cannot (nothing loaded).
    virtual bool seekTo(double seconds) = 0;
    // 2.0 is fast forward, 1.0 normal speed.
    virtual void setRate(double rate) = 0;
    // Hundredths of a decibel, clamped to the volume slider's range and
    // applied as a drag of that slider applies it.
    virtual void setVolume(int volume) = 0;
    // Opens a path the way the command line does: a media file becomes the
    // current file and plays, a play list is read.
    virtual void openCommandLine(const QString& path) = 0;
    // Points the play list at a folder and plays from the chosen entry.
    // Returns false at the first step that fails (a folder that cannot be
    // listed, an entry that is not there); the later steps are skipped.
    virtual bool playFolder(const FolderChoice& choice) = 0;
    // Shows the window as it is.
    virtual void showWindow() = 0;
    // Brings the window back from the taskbar or tray and to the front.
    virtual void raiseWindow() = 0;
    // The Exit command.
    virtual void quit() = 0;

    // ---- State ----
    // Full path of the current media; "" when none (after Stop).
    virtual QString currentFile() const = 0;
    // Counts the graphs opened so far: each open makes one, so it names the
    // track that plays.
    virtual quint64 trackNumber() const = 0;
    // Playing while the graph runs or is on its way to running (a seek while
    // playing passes through a pause); Stopped when nothing is loaded or after
    // Stop, which keeps the graph paused at 0 but forgets the current file.
    virtual PlaybackState playbackState() const = 0;
    virtual bool hasVideo() const = 0;
    virtual double rate() const = 0;
    // Seconds; empty when the graph cannot tell.
    virtual std::optional<double> position() const = 0;
    virtual std::optional<double> duration() const = 0;
    // The volume slider's value, hundredths of a decibel.
    virtual int volume() const = 0;

signals:
    // Each is sent at most once per pass of the event loop, after the
    // player's own handler has finished: never in the middle of an open.
    // The current file or the track changed.
    void trackChanged();
    // The state, the picture or the rate may have changed: the graph or a
    // transport command said something.
    void stateChanged();
    // The duration changed.
    void rangeChanged();
    // Sent at once.
    void volumeChanged();
    // The position jumped: a drag of the seek slider, or seekTo.
    void seeked(double seconds);
};

} // namespace veltrin

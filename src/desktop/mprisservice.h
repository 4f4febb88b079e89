#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

namespace veltrin {

class PlayerControl;

// The player on the session bus as an MPRIS 2 media player, so the desktop's
// media keys, sound menu and lock screen can drive it. Every command runs the
// same operation as the player's own button or menu item; the state it shows
// is read from the player. Without a bus it does nothing.
class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr auto kServiceName = "org.mpris.MediaPlayer2.veltrin";
    static constexpr auto kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr auto kPlayerInterface = "org.mpris.MediaPlayer2.Player";
    static constexpr auto kDesktopEntry = "org.example.Veltrin";
    static constexpr auto kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

    MprisService(PlayerControl& player, QDBusConnection bus, QObject* parent = nullptr);
    ~MprisService() override;
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    // The bus name it owns; "" when there is no bus or the name was refused.
    QString serviceName() const { return m_serviceName; }

    // ---- What the bus reads ----
    QString playbackStatus() const; // "Playing", "Paused" or "Stopped"
    QVariantMap metadata() const;
    QDBusObjectPath trackId() const;
    qlonglong positionUs() const;
    qlonglong lengthUs() const; // 0 when unknown
    double volume() const; // 0..1, linear
    double rate() const;

    // ---- What the bus asks for ----
    void raise();
    void quit();
    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    void seek(qlonglong offsetUs);
    void setPosition(const QDBusObjectPath& track, qlonglong positionUs);
    void openUri(const QString& uri);
    void setVolume(double volume);
    void setRate(double rate);

signals:
    // The position jumped (a seek from the bus or the seek slider).
    void seeked(qlonglong positionUs);

private:
    void publishChanges();
    QPointer<PlayerControl> m_player;
    QDBusConnection m_bus;
    QString m_serviceName;
    QVariantMap m_published; // the player properties last announced
};

} // namespace veltrin

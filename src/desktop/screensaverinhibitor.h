#pragma once

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QPointer>
#include <optional>

namespace veltrin {

class PlayerControl;

// Keeps the screen from blanking while a video plays: the desktop's
// org.freedesktop.ScreenSaver is asked to hold off while the player plays
// something with a picture, and let go as soon as it pauses, stops, turns to
// audio only or goes away, and when this object goes. Without a bus, or
// without a screen saver service on it, nothing happens and nothing is said.
class ScreenSaverInhibitor : public QObject {
    Q_OBJECT
public:
    static constexpr auto kService = "org.freedesktop.ScreenSaver";
    static constexpr auto kPath = "/org/freedesktop/ScreenSaver";

    ScreenSaverInhibitor(PlayerControl& player, QDBusConnection bus, QObject* parent = nullptr);
    ~ScreenSaverInhibitor() override;
    ScreenSaverInhibitor(const ScreenSaverInhibitor&) = delete;
    ScreenSaverInhibitor& operator=(const ScreenSaverInhibitor&) = delete;

    // Whether the screen saver has granted a request that is still held.
    bool isInhibiting() const { return m_cookie.has_value(); }
    // Whether a request is held or on its way.
    bool isAsking() const { return m_cookie.has_value() || m_pending; }

private:
    void update();
    void onInhibitReply(QDBusPendingCallWatcher* call);
    void release();

    QPointer<PlayerControl> m_player;
    QDBusConnection m_bus;
    bool m_wanted = false;
    std::optional<uint> m_cookie;
    QPointer<QDBusPendingCallWatcher> m_pending;
};

} // namespace veltrin

#include "desktop/screensaverinhibitor.h"

#include "player/playercontrol.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace veltrin {

namespace {

constexpr auto kInterface = "org.freedesktop.ScreenSaver";

QDBusMessage unInhibitCall(uint cookie)
{
    QDBusMessage call
        = QDBusMessage::createMethodCall(QString::fromLatin1(ScreenSaverInhibitor::kService),
            QString::fromLatin1(ScreenSaverInhibitor::kPath), QString::fromLatin1(kInterface),
            QStringLiteral("UnInhibit"));
    call << cookie;
    return call;
}

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(
    PlayerControl& player, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_player(&player)
    , m_bus(std::move(bus))
{
    connect(&player, &PlayerControl::stateChanged, this, &ScreenSaverInhibitor::update);
    // A player that goes away plays nothing more.
    connect(&player, &QObject::destroyed, this, &ScreenSaverInhibitor::update);
    update();
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    m_wanted = false;
    release();
    if (m_pending) {
        // The answer to a request still on its way is withdrawn when it comes,
        // as long as the application runs; the bus drops it when we disconnect.
        m_pending->disconnect(this);
        m_pending->setParent(QCoreApplication::instance());
        QDBusConnection bus = m_bus;
        connect(m_pending, &QDBusPendingCallWatcher::finished, m_pending.data(),
            [bus](QDBusPendingCallWatcher* call) mutable {
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isValid())
                    bus.send(unInhibitCall(reply.value()));
                call->deleteLater();
            });
    }
}

void ScreenSaverInhibitor::update()
{
    m_wanted
        = m_player && m_player->hasVideo() && m_player->playbackState() == PlaybackState::Playing;
    if (!m_bus.isConnected())
        return;
    if (!m_wanted) {
        release();
        return;
    }
    if (m_cookie || m_pending)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService),
        QString::fromLatin1(kPath), QString::fromLatin1(kInterface), QStringLiteral("Inhibit"));
    call << QStringLiteral("Zelto Veltrin Player") << QStringLiteral("Playing a video");
    // Asynchronous: a slow or missing screen saver must not hold up the player.
    m_pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(
        m_pending, &QDBusPendingCallWatcher::finished, this, &ScreenSaverInhibitor::onInhibitReply);
}

void ScreenSaverInhibitor::onInhibitReply(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    m_pending = nullptr;
    const QDBusPendingReply<uint> reply = *call;
    if (!reply.isValid())
        return; // no screen saver service: nothing to hold
    m_cookie = reply.value();
    // The video may have paused while the request travelled.
    if (!m_wanted)
        release();
}

void ScreenSaverInhibitor::release()
{
    if (!m_cookie)
        return;
    if (m_bus.isConnected())
        m_bus.send(unInhibitCall(*m_cookie));
    m_cookie.reset();
}

} // namespace veltrin

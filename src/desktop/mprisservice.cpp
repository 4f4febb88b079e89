#include "desktop/mprisservice.h"

#include "desktop/mprisadaptors.h"
#include "player/playercontrol.h"
#include "runtime/mediafiles.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QUrl>
#include <cmath>

namespace veltrin {

namespace {

const QString kTitle = QStringLiteral("Zelto Veltrin Player");

qlonglong toUs(std::optional<double> seconds)
{
    return seconds && std::isfinite(*seconds) ? std::llround(*seconds * 1e6) : 0;
}

// QVariant cannot compare object paths inside a map by value.
bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.metaType() != b.metaType())
        return false;
    if (a.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return a.value<QDBusObjectPath>().path() == b.value<QDBusObjectPath>().path();
    if (a.metaType() == QMetaType::fromType<QVariantMap>()) {
        const QVariantMap ma = a.toMap(), mb = b.toMap();
        if (ma.keys() != mb.keys())
            return false;
        for (auto it = ma.cbegin(); it != ma.cend(); ++it) {
            if (!sameValue(it.value(), mb.value(it.key())))
                return false;
        }
        return true;
    }
    return a == b;
}

} // namespace

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service)
    , m_service(service)
{
}

QString MprisRootAdaptor::identity() const
{
    return kTitle;
}

QString MprisRootAdaptor::desktopEntry() const
{
    return QString::fromLatin1(MprisService::kDesktopEntry);
}

QStringList MprisRootAdaptor::supportedUriSchemes() const
{
    return { QStringLiteral("file") };
}

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    return { QStringLiteral("video/mpeg"), QStringLiteral("video/x-mpeg"),
        QStringLiteral("video/dvd"), QStringLiteral("video/x-msvideo"), QStringLiteral("video/avi"),
        QStringLiteral("audio/mpeg"), QStringLiteral("video/x-ms-asf"),
        QStringLiteral("application/vnd.ms-asf"), QStringLiteral("video/x-ms-wmv"),
        QStringLiteral("audio/x-ms-wma"), QStringLiteral("video/quicktime"),
        QStringLiteral("video/mp4"), QStringLiteral("audio/mp4"), QStringLiteral("audio/x-scpls") };
}

void MprisRootAdaptor::Raise()
{
    m_service->raise();
}

void MprisRootAdaptor::Quit()
{
    m_service->quit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service)
    , m_service(service)
{
    connect(service, &MprisService::seeked, this, &MprisPlayerAdaptor::Seeked);
}

MprisService::MprisService(PlayerControl& player, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_player(&player)
    , m_bus(std::move(bus))
{
    if (!m_bus.isConnected())
        return; // no session bus: no media controls, and nothing to say about it
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    if (!m_bus.registerObject(
            QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors))
        return;
    // The name is ours unless another player took it; then the usual
    // per-instance name still lets the desktop find us.
    const QString name = QString::fromLatin1(kServiceName);
    const QString instanceName
        = name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    if (m_bus.registerService(name))
        m_serviceName = name;
    else if (m_bus.registerService(instanceName))
        m_serviceName = instanceName;

    m_published = { { QStringLiteral("PlaybackStatus"), playbackStatus() },
        { QStringLiteral("Metadata"), metadata() }, { QStringLiteral("Volume"), volume() },
        { QStringLiteral("Rate"), rate() } };
    for (auto notice : { &PlayerControl::trackChanged, &PlayerControl::stateChanged,
             &PlayerControl::rangeChanged, &PlayerControl::volumeChanged })
        connect(&player, notice, this, &MprisService::publishChanges);
    // The player's own seek slider jumps the position too.
    connect(&player, &PlayerControl::seeked, this,
        [this](double seconds) { emit seeked(toUs(seconds)); });
}

MprisService::~MprisService()
{
    if (!m_serviceName.isEmpty())
        m_bus.unregisterService(m_serviceName);
    if (m_bus.isConnected())
        m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
}

QString MprisService::playbackStatus() const
{
    switch (m_player ? m_player->playbackState() : PlaybackState::Stopped) {
    case PlaybackState::Playing: return QStringLiteral("Playing");
    case PlaybackState::Paused: return QStringLiteral("Paused");
    case PlaybackState::Stopped: break;
    }
    return QStringLiteral("Stopped");
}

QDBusObjectPath MprisService::trackId() const
{
    if (!m_player || m_player->currentFile().isEmpty())
        return QDBusObjectPath(QString::fromLatin1(kNoTrack));
    return QDBusObjectPath(
        QStringLiteral("/org/example/Veltrin/Track/%1").arg(m_player->trackNumber()));
}

QVariantMap MprisService::metadata() const
{
    QVariantMap m { { QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId()) } };
    const QString file = m_player ? m_player->currentFile() : QString();
    if (file.isEmpty())
        return m;
    m.insert(QStringLiteral("xesam:title"), fileNamePart(file));
    m.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(file).toString());
    if (const qlonglong length = lengthUs(); length > 0)
        m.insert(QStringLiteral("mpris:length"), length);
    return m;
}

qlonglong MprisService::lengthUs() const
{
    return m_player ? toUs(m_player->duration()) : 0;
}

qlonglong MprisService::positionUs() const
{
    return m_player ? toUs(m_player->position()) : 0;
}

double MprisService::volume() const
{
    if (!m_player)
        return 1.0;
    // The volume slider holds hundredths of a decibel.
    return std::clamp(std::pow(10.0, m_player->volume() / 2000.0), 0.0, 1.0);
}

double MprisService::rate() const
{
    return m_player ? m_player->rate() : 1.0;
}

void MprisService::raise()
{
    if (m_player)
        m_player->raiseWindow();
}

void MprisService::quit()
{
    if (m_player)
        m_player->quit();
}

void MprisService::play()
{
    if (m_player)
        m_player->play();
    publishChanges();
}

void MprisService::pause()
{
    if (m_player)
        m_player->pause();
    publishChanges();
}

void MprisService::playPause()
{
    if (playbackStatus() == u"Playing")
        pause();
    else
        play();
}

void MprisService::stop()
{
    if (m_player)
        m_player->stop();
    publishChanges();
}

void MprisService::next()
{
    if (m_player)
        m_player->next();
    publishChanges();
}

void MprisService::previous()
{
    if (m_player)
        m_player->previous();
    publishChanges();
}

void MprisService::seek(qlonglong offsetUs)
{
    const std::optional<double> position = m_player ? m_player->position() : std::nullopt;
    if (!position)
        return;
    const double length = m_player->duration().value_or(0.0);
    const double target = std::max(0.0, *position + static_cast<double>(offsetUs) / 1e6);
    // Past the end is the next track.
    if (length > 0 && target > length) {
        next();
        return;
    }
    m_player->seekTo(target);
}

void MprisService::setPosition(const QDBusObjectPath& track, qlonglong positionUs)
{
    // A request for another track than the current one is stale: ignored.
    if (track.path() != trackId().path() || positionUs < 0)
        return;
    const qlonglong length = lengthUs();
    if (length > 0 && positionUs > length)
        return;
    if (m_player)
        m_player->seekTo(static_cast<double>(positionUs) / 1e6);
}

void MprisService::openUri(const QString& uri)
{
    const QString path = firstMediaFile({ QUrl(uri) });
    if (m_player && !path.isEmpty())
        m_player->openCommandLine(path);
    publishChanges();
}

void MprisService::setVolume(double volume)
{
    if (!m_player || !std::isfinite(volume))
        return;
    // Hundredths of a decibel; the player keeps them within its slider's range.
    const double db100 = volume > 0.0 ? 2000.0 * std::log10(volume) : -1e9;
    m_player->setVolume(static_cast<int>(std::clamp(std::round(db100), -1e9, 0.0)));
}

void MprisService::setRate(double rate)
{
    if (!m_player || !std::isfinite(rate))
        return;
    if (rate <= 0.0) {
        pause();
        return;
    }
    // The player knows two speeds: normal, and fast forward at double.
    const double r = std::clamp(rate, 1.0, 2.0);
    m_player->setRate(r);
    publishChanges();
}

void MprisService::publishChanges()
{
    if (m_serviceName.isEmpty())
        return;
    const QVariantMap now { { QStringLiteral("PlaybackStatus"), playbackStatus() },
        { QStringLiteral("Metadata"), metadata() }, { QStringLiteral("Volume"), volume() },
        { QStringLiteral("Rate"), rate() } };
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (!sameValue(it.value(), m_published.value(it.key())))
            changed.insert(it.key(), it.value());
    }
    if (changed.isEmpty())
        return;
    m_published = now;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    m_bus.send(signal);
}

} // namespace veltrin

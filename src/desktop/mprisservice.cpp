#include "desktop/mprisservice.h"

#include "controls/scrollbar/dtvisualscrollbar.h"
#include "desktop/graphwatch.h"
#include "desktop/mediafiles.h"
#include "desktop/mprisadaptors.h"
#include "engine/filgraphmanager.h"
#include "player/playerfrm.h"
#include "runtime/steps.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QUrl>
#include <cmath>

namespace veltrin {

namespace {

const QString kTitle = QStringLiteral("Zelto Veltrin Player");

// A graph that runs or is on its way to running. A flushing seek while
// playing passes through PAUSED with PLAYING pending; that is still playing.
bool isRunning(const FilgraphManager& graph)
{
    GstState current = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    if (!graph.pipeline())
        return false;
    gst_element_get_state(graph.pipeline(), &current, &pending, 0);
    return current == GST_STATE_PLAYING || pending == GST_STATE_PLAYING;
}

qlonglong toUs(double seconds)
{
    return std::isfinite(seconds) ? std::llround(seconds * 1e6) : 0;
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

MprisService::MprisService(
    playerfrm& player, GraphWatch& graphs, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_player(&player)
    , m_graphs(graphs)
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
    connect(&m_graphs, &GraphWatch::changed, this, &MprisService::publishChanges);
    connect(player.V1, &dtVisualScrollBar::Change, this, &MprisService::publishChanges);
    // The player's own seek slider jumps the position too.
    connect(player.H1, &dtVisualScrollBar::Scroll, this, [this] { emit seeked(positionUs()); });
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
    const FilgraphManager* graph = m_graphs.current();
    if (!m_player || !graph || !graph->isRendered())
        return QStringLiteral("Stopped");
    if (isRunning(*graph))
        return QStringLiteral("Playing");
    // Stop leaves the graph paused at 0 and forgets the current file.
    return m_player->CurrentFile.isEmpty() ? QStringLiteral("Stopped") : QStringLiteral("Paused");
}

QDBusObjectPath MprisService::trackId() const
{
    if (!m_player || m_player->CurrentFile.isEmpty())
        return QDBusObjectPath(QString::fromLatin1(kNoTrack));
    // Each open makes a new graph: its number names the track.
    return QDBusObjectPath(
        QStringLiteral("/org/example/Veltrin/Track/%1").arg(m_graphs.generation()));
}

QVariantMap MprisService::metadata() const
{
    QVariantMap m { { QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId()) } };
    if (!m_player || m_player->CurrentFile.isEmpty())
        return m;
    m.insert(QStringLiteral("xesam:title"), playerfrm::Getfilename(m_player->CurrentFile));
    m.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(m_player->CurrentFile).toString());
    if (const qlonglong length = lengthUs(); length > 0)
        m.insert(QStringLiteral("mpris:length"), length);
    return m;
}

qlonglong MprisService::lengthUs() const
{
    double seconds = 0.0;
    if (m_player)
        skipOnFailure([&] { seconds = must(m_player->graph.position).Duration(); });
    return toUs(seconds);
}

qlonglong MprisService::positionUs() const
{
    double seconds = 0.0;
    if (m_player)
        skipOnFailure([&] { seconds = must(m_player->graph.position).CurrentPosition(); });
    return toUs(seconds);
}

double MprisService::volume() const
{
    if (!m_player)
        return 1.0;
    // The volume slider holds hundredths of a decibel.
    return std::clamp(std::pow(10.0, m_player->V1->Value() / 2000.0), 0.0, 1.0);
}

double MprisService::rate() const
{
    const FilgraphManager* graph = m_graphs.current();
    return graph ? graph->rate() : 1.0;
}

void MprisService::raise()
{
    if (!m_player)
        return;
    if (m_player->windowStateValue() == 1)
        m_player->setWindowStateValue(0);
    m_player->show();
    m_player->raise();
    m_player->activateWindow();
}

void MprisService::quit()
{
    if (m_player)
        m_player->mnuExit_Click();
}

void MprisService::play()
{
    if (m_player)
        m_player->fncPlay();
    publishChanges();
}

void MprisService::pause()
{
    if (m_player)
        m_player->Pause();
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
        m_player->fncStop();
    publishChanges();
}

void MprisService::next()
{
    if (m_player)
        m_player->NextTrack();
    publishChanges();
}

void MprisService::previous()
{
    if (m_player)
        m_player->PrevTrack();
    publishChanges();
}

void MprisService::seek(qlonglong offsetUs)
{
    if (!m_player || !m_player->graph.position)
        return;
    double position = 0.0;
    double length = 0.0;
    if (!skipOnFailure([&] { position = m_player->graph.position->CurrentPosition(); }))
        return;
    skipOnFailure([&] { length = m_player->graph.position->Duration(); });
    const double target = std::max(0.0, position + static_cast<double>(offsetUs) / 1e6);
    // Past the end is the next track.
    if (length > 0 && target > length) {
        next();
        return;
    }
    seekTo(target);
}

void MprisService::setPosition(const QDBusObjectPath& track, qlonglong positionUs)
{
    // A request for another track than the current one is stale: ignored.
    if (track.path() != trackId().path() || positionUs < 0)
        return;
    const qlonglong length = lengthUs();
    if (length > 0 && positionUs > length)
        return;
    seekTo(static_cast<double>(positionUs) / 1e6);
}

void MprisService::seekTo(double seconds)
{
    // As the seek slider does.
    if (skipOnFailure([&] { must(m_player->graph.position).setCurrentPosition(seconds); }))
        emit seeked(toUs(seconds));
}

void MprisService::openUri(const QString& uri)
{
    const QString path = firstMediaFile({ QUrl(uri) });
    if (m_player && !path.isEmpty())
        openAsCommandLine(*m_player, path);
    publishChanges();
}

void MprisService::setVolume(double volume)
{
    if (!m_player || !std::isfinite(volume))
        return;
    dtVisualScrollBar& slider = *m_player->V1;
    const double db100 = volume > 0.0 ? 2000.0 * std::log10(volume) : -1e9;
    const auto value
        = static_cast<qint32>(std::clamp<double>(std::round(db100), slider.Min(), slider.Max()));
    slider.setValue(value);
    // The same step as a drag of the volume slider.
    m_player->V1_Scroll();
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
    skipOnFailure([&] { must(m_player->graph.position).setRate(r); });
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

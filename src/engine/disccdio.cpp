// Discs through libcdio (drives and .cue/.bin, .nrg, .toc images),
// libiso9660 (plain .iso images) and, for a .bin without a .cue libcdio can
// use, its raw sectors.
#include "engine/discfs.h"
#include "engine/discopen.h"
#include "runtime/filelistmodel.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cdio/cdio.h>
#include <cdio/iso9660.h>
#include <cdio/logging.h>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/cdrom.h>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace veltrin {

namespace {

using disc::kDataBytes;
using disc::kForm2Bytes;

// libcdio reports to stderr by default; the player logs nothing.
void dropCdioMessage(cdio_log_level_t, const char*)
{
}

void quietCdio()
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { cdio_log_set_handler(dropCdioMessage); });
}

struct CdioDestroy {
    void operator()(CdIo_t* c) const { cdio_destroy(c); }
};
using CdioHandle = std::unique_ptr<CdIo_t, CdioDestroy>;

// Whether a drive says it holds a disc ready to read. Asked without waiting
// (the device opened non-blocking), so that an empty drive, an open tray or
// a disc still spinning up fails at once rather than after the kernel's
// command timeouts. A device that cannot tell is left to libcdio.
bool driveReady(const QString& device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const int status = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
    ::close(fd);
    return status < 0 || status == CDS_DISC_OK || status == CDS_NO_INFO;
}

// What a source is on this machine: a drive, an image file, or nothing we
// open (a FIFO above all could block in open()).
enum class SourceKind { None, Drive, File };

SourceKind sourceKind(const QString& source)
{
    struct stat st { };
    if (::stat(QFile::encodeName(source).constData(), &st) != 0)
        return SourceKind::None;
    if (S_ISBLK(st.st_mode))
        return SourceKind::Drive;
    return S_ISREG(st.st_mode) ? SourceKind::File : SourceKind::None;
}

CdioHandle openCdio(const QString& source, SourceKind kind)
{
    if (kind == SourceKind::None || (kind == SourceKind::Drive && !driveReady(source)))
        return nullptr;
    return CdioHandle(cdio_open(QFile::encodeName(source).constData(), DRIVER_UNKNOWN));
}

class CdioSource final : public disc::SectorSource {
public:
    explicit CdioSource(CdioHandle cdio)
        : m_cdio(std::move(cdio))
    {
        const lsn_t last = cdio_get_disc_last_lsn(m_cdio.get());
        m_count = last > 0 ? quint32(last) : 0;
    }

    quint32 sectorCount() const override { return m_count; }

    bool readData(quint32 lsn, quint32 count, std::uint8_t* out) override
    {
        return cdio_read_data_sectors(m_cdio.get(), out, lsn_t(lsn), kDataBytes, count)
            == DRIVER_OP_SUCCESS;
    }

    bool readForm2(quint32 lsn, quint32 count, std::uint8_t* out) override
    {
        // Each sector comes with its 8-byte subheader in front of the payload
        // and its 4-byte error detection code after it.
        constexpr size_t kSubheader = 8;
        m_raw.resize(size_t(count) * M2RAW_SECTOR_SIZE);
        if (cdio_read_mode2_sectors(m_cdio.get(), m_raw.data(), lsn_t(lsn), true, count)
            != DRIVER_OP_SUCCESS)
            return false;
        for (quint32 i = 0; i < count; ++i)
            std::copy_n(m_raw.data() + size_t(i) * M2RAW_SECTOR_SIZE + kSubheader, kForm2Bytes,
                out + size_t(i) * kForm2Bytes);
        return true;
    }

private:
    CdioHandle m_cdio;
    quint32 m_count = 0;
    std::vector<std::uint8_t> m_raw;
};

// A plain .iso image of 2,048-byte sectors, the one kind libcdio's drivers
// do not open.
class IsoImageSource final : public disc::SectorSource {
public:
    IsoImageSource(iso9660_t* iso, quint32 count)
        : m_iso(iso)
        , m_count(count)
    {
    }

    quint32 sectorCount() const override { return m_count; }

    bool readData(quint32 lsn, quint32 count, std::uint8_t* out) override
    {
        const long want = long(count) * long(kDataBytes);
        return iso9660_iso_seek_read(m_iso.get(), out, lsn_t(lsn), long(count)) == want;
    }

    bool readForm2(quint32, quint32, std::uint8_t*) override { return false; }

private:
    struct Close {
        void operator()(iso9660_t* i) const { iso9660_close(i); }
    };
    std::unique_ptr<iso9660_t, Close> m_iso;
    quint32 m_count;
};

// A raw image of 2,352-byte sectors (a .bin) without a .cue libcdio can
// use: its bincue driver reads only the .bin named like the .cue. Sectors
// are where a single-track image has them, each read by its header's mode.
class RawImageSource final : public disc::SectorSource {
public:
    static constexpr qint64 kRaw = CDIO_CD_FRAMESIZE_RAW;

    static std::unique_ptr<RawImageSource> open(const QString& path)
    {
        std::unique_ptr<RawImageSource> source(new RawImageSource(path));
        if (!source->m_file.open(QIODevice::ReadOnly))
            return nullptr;
        std::vector<std::uint8_t> sector(kDataBytes);
        if (!source->readData(disc::kFirstDescriptor, 1, sector.data())
            || std::memcmp(sector.data() + 1, "CD001", 5) != 0)
            return nullptr;
        return source;
    }

    quint32 sectorCount() const override
    {
        return quint32(std::min<qint64>(m_file.size() / kRaw, 0xffffffff));
    }

    bool readData(quint32 lsn, quint32 count, std::uint8_t* out) override
    {
        for (quint32 i = 0; i < count; ++i) {
            const std::uint8_t* raw = sector(quint64(lsn) + i);
            if (!raw || (raw[kMode] != 1 && raw[kMode] != 2))
                return false;
            // Mode 1 data follows the header; Mode 2 Form 1 the subheader too.
            std::memcpy(
                out + size_t(i) * kDataBytes, raw + (raw[kMode] == 1 ? 16 : 24), kDataBytes);
        }
        return true;
    }

    bool readForm2(quint32 lsn, quint32 count, std::uint8_t* out) override
    {
        for (quint32 i = 0; i < count; ++i) {
            const std::uint8_t* raw = sector(quint64(lsn) + i);
            if (!raw || raw[kMode] != 2)
                return false;
            std::memcpy(out + size_t(i) * kForm2Bytes, raw + 24, kForm2Bytes);
        }
        return true;
    }

private:
    static constexpr size_t kMode = 15; // the header's last byte

    explicit RawImageSource(const QString& path)
        : m_file(path)
    {
    }

    // A sector that starts with the sync pattern, or null.
    const std::uint8_t* sector(quint64 lsn)
    {
        static constexpr std::uint8_t kSync[12]
            = { 0, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0 };
        if (lsn >= sectorCount() || !m_file.seek(qint64(lsn) * kRaw)
            || m_file.read(reinterpret_cast<char*>(m_raw.data()), kRaw) != kRaw
            || std::memcmp(m_raw.data(), kSync, sizeof kSync) != 0)
            return nullptr;
        return m_raw.data();
    }

    QFile m_file;
    std::array<std::uint8_t, kRaw> m_raw {};
};

std::unique_ptr<disc::SectorSource> openWithCdio(const QString& source, SourceKind kind)
{
    CdioHandle cdio = openCdio(source, kind);
    if (!cdio)
        return nullptr;
    return std::make_unique<CdioSource>(std::move(cdio));
}

std::unique_ptr<disc::SectorSource> openIsoImage(const QFileInfo& file)
{
    iso9660_t* iso = iso9660_open(QFile::encodeName(file.absoluteFilePath()).constData());
    if (!iso)
        return nullptr;
    return std::make_unique<IsoImageSource>(iso, quint32(file.size() / kDataBytes));
}

std::unique_ptr<disc::SectorSource> openSource(const QString& source)
{
    const SourceKind kind = sourceKind(source);
    if (kind == SourceKind::Drive)
        return openWithCdio(source, kind);
    if (kind != SourceKind::File)
        return nullptr;
    const QFileInfo file(source);
    const QString suffix = file.suffix().toLower();
    if (suffix != u"iso") {
        if (auto s = openWithCdio(source, kind))
            return s; // a .bin through the .cue of its name, as libcdio finds it
    }
    if (suffix != u"iso" && suffix != u"bin")
        return nullptr;
    if (auto s = openIsoImage(file))
        return s;
    return RawImageSource::open(source);
}

// A disc's table of contents: its audio tracks, and whether it has data
// tracks too.
struct TrackList {
    QList<DiscEntry> audio;
    bool data = false;
};

std::optional<TrackList> readTrackList(const QString& source)
{
    const SourceKind kind = sourceKind(source);
    // An .iso holds 2,048-byte sectors only: no audio.
    if (kind == SourceKind::File
        && QFileInfo(source).suffix().compare(u"iso", Qt::CaseInsensitive) == 0)
        return std::nullopt;
    const CdioHandle cdio = openCdio(source, kind);
    if (!cdio)
        return std::nullopt;
    const track_t first = cdio_get_first_track_num(cdio.get());
    const track_t count = cdio_get_num_tracks(cdio.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK)
        return std::nullopt;
    const lsn_t leadout = cdio_get_track_lsn(cdio.get(), CDIO_CDROM_LEADOUT_TRACK);
    TrackList list;
    for (int t = first; t < first + count && t <= CDIO_CD_MAX_TRACKS; ++t) {
        const auto track = track_t(t);
        if (cdio_get_track_format(cdio.get(), track) != TRACK_FORMAT_AUDIO) {
            list.data = true;
            continue;
        }
        // The table of contents of a cut image still names what it lost.
        const lsn_t start = cdio_get_track_lsn(cdio.get(), track);
        const lsn_t last = cdio_get_track_last_lsn(cdio.get(), track);
        if (start < 0 || last < start || last >= leadout)
            continue;
        list.audio.append(DiscEntry { cdAudioTrackName(t), false,
            quint64(last - start + 1) * quint64(CDIO_CD_FRAMESIZE_RAW) });
    }
    return list;
}

} // namespace

namespace {

struct OpenHook {
    std::mutex mutex;
    std::function<void(const QString&)> hook;
};

OpenHook& openHook()
{
    static OpenHook h;
    return h;
}

} // namespace

void setDiscOpenHook(std::function<void(const QString& source)> hook)
{
    std::lock_guard lock(openHook().mutex);
    openHook().hook = std::move(hook);
}

std::unique_ptr<DiscReader> openDisc(const QString& source)
{
    std::function<void(const QString&)> hook;
    {
        std::lock_guard lock(openHook().mutex);
        hook = openHook().hook;
    }
    if (hook)
        hook(source);
    quietCdio();
    return disc::makeIsoReader(openSource(source));
}

std::optional<QList<DiscEntry>> listCdAudioTracks(const QString& source)
{
    quietCdio();
    std::optional<TrackList> tracks = readTrackList(source);
    if (!tracks)
        return std::nullopt;
    return std::move(tracks->audio);
}

std::optional<QList<DiscEntry>> listDiscFolder(const QString& path)
{
    const std::optional<DiscPath> where = splitDiscPath(path);
    if (!where)
        return std::nullopt;
    quietCdio();
    std::optional<TrackList> tracks;
    if (where->inner.isEmpty()) {
        tracks = readTrackList(where->container);
        // An audio CD: nothing more to read, and its sectors are no file system.
        if (tracks && !tracks->data)
            return tracks->audio.isEmpty() ? std::nullopt : std::optional(tracks->audio);
    }
    const std::unique_ptr<DiscReader> reader = openDisc(where->container);
    std::optional<QList<DiscEntry>> files = reader ? reader->list(where->inner) : std::nullopt;
    if (!tracks || tracks->audio.isEmpty())
        return files;
    // A mixed disc: its files, then its tracks, which hide a file of the same name.
    const auto isTrack = [&](const DiscEntry& e) {
        return std::any_of(tracks->audio.cbegin(), tracks->audio.cend(),
            [&](const DiscEntry& t) { return t.name.compare(e.name, Qt::CaseInsensitive) == 0; });
    };
    QList<DiscEntry> entries;
    for (const DiscEntry& e : files.value_or(QList<DiscEntry>())) {
        if (!isTrack(e))
            entries.append(e);
    }
    entries.append(tracks->audio);
    return entries;
}

void installDiscFolderLister()
{
    setDiscFolderLister([](const QString& folder) -> std::optional<DiscFolderContents> {
        const std::optional<QList<DiscEntry>> entries = listDiscFolder(folder);
        if (!entries)
            return std::nullopt;
        DiscFolderContents contents;
        for (const DiscEntry& e : *entries)
            (e.folder ? contents.folders : contents.files).append(e.name);
        return contents;
    });
}

} // namespace veltrin

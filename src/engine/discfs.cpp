#include "engine/discfs.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace veltrin::disc {

namespace {

quint32 le32(std::span<const std::uint8_t> b, size_t at)
{
    return quint32(b[at]) | quint32(b[at + 1]) << 8 | quint32(b[at + 2]) << 16
        | quint32(b[at + 3]) << 24;
}

constexpr size_t kFixedRecordBytes = 33; // up to the name
constexpr size_t kXaBytes = 14;
constexpr quint16 kXaForm2 = 1u << 12;
constexpr std::uint8_t kFlagDirectory = 1u << 1;
// Volume descriptors looked at before giving up on finding the primary one.
constexpr quint32 kMaxDescriptors = 32;
// Sectors read at once for a file; a Video CD drive reads about 75 a second
// per speed, so this is a fraction of a second of a track.
constexpr quint32 kChunkSectors = 32;

QString recordName(std::span<const std::uint8_t> raw)
{
    if (raw.size() == 1 && raw[0] == 0)
        return QStringLiteral(".");
    if (raw.size() == 1 && raw[0] == 1)
        return QStringLiteral("..");
    QString name = QString::fromLatin1(
        reinterpret_cast<const char*>(raw.data()), static_cast<qsizetype>(raw.size()));
    if (const qsizetype version = name.indexOf(u';'); version >= 0)
        name.truncate(version);
    if (name.endsWith(u'.'))
        name.chop(1);
    return name;
}

bool isUsableName(const QString& name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/')
        && !name.contains(QChar(0));
}

// The reader and its files share the source; one lock serialises reads.
struct Disc {
    std::mutex mutex;
    std::unique_ptr<SectorSource> source;
    quint32 count = 0; // sectors, 0 when unknown
};

class IsoFile final : public DiscFile {
public:
    IsoFile(std::shared_ptr<Disc> disc, const DirRecord& record)
        : m_disc(std::move(disc))
        , m_record(record)
        , m_unit(record.form2 ? kForm2Bytes : kDataBytes)
    {
    }

    quint64 size() const override { return m_record.streamSize(); }

    qint64 read(quint64 offset, char* out, qint64 length) override
    {
        const quint64 total = size();
        if (length <= 0 || offset >= total)
            return 0;
        const quint64 want = std::min(quint64(length), total - offset);
        quint64 done = 0;
        while (done < want) {
            const quint64 pos = offset + done;
            const auto sector = quint32(pos / m_unit);
            if ((sector < m_first || sector >= m_first + m_count) && !fill(sector))
                return -1;
            const quint64 cachedEnd = (quint64(m_first) + m_count) * m_unit;
            const quint64 n = std::min(want - done, cachedEnd - pos);
            std::memcpy(out + done, m_cache.data() + (pos - quint64(m_first) * m_unit), n);
            done += n;
        }
        return qint64(done);
    }

private:
    // Reads a chunk from `sector` on; when the chunk fails, the one sector
    // alone, so that a damaged spot is met only where it is.
    bool fill(quint32 sector)
    {
        m_count = 0;
        const quint64 lsn = quint64(m_record.extent) + sector;
        if (lsn > 0xffffffffu)
            return false;
        quint32 count = std::min(kChunkSectors, m_record.sectors() - sector);
        if (m_disc->count && lsn + count > m_disc->count)
            count = lsn < m_disc->count ? quint32(m_disc->count - lsn) : 1;
        std::lock_guard lock(m_disc->mutex);
        for (;;) {
            m_cache.resize(size_t(count) * m_unit);
            const bool ok = m_record.form2
                ? m_disc->source->readForm2(quint32(lsn), count, m_cache.data())
                : m_disc->source->readData(quint32(lsn), count, m_cache.data());
            if (ok) {
                m_first = sector;
                m_count = count;
                return true;
            }
            if (count == 1)
                return false;
            count = 1;
        }
    }

    std::shared_ptr<Disc> m_disc;
    DirRecord m_record;
    quint32 m_unit;
    std::vector<std::uint8_t> m_cache;
    quint32 m_first = 0; // the file's sectors in m_cache
    quint32 m_count = 0;
};

class IsoReader final : public DiscReader {
public:
    IsoReader(std::shared_ptr<Disc> disc, const DirRecord& root)
        : m_disc(std::move(disc))
        , m_root(root)
    {
    }

    std::optional<QList<DiscEntry>> list(const QString& folder) override
    {
        const std::optional<DirRecord> dir = find(discPathComponents(folder));
        if (!dir || !dir->folder)
            return std::nullopt;
        const std::optional<std::vector<DirRecord>> records = readDirectory(*dir);
        if (!records)
            return std::nullopt;
        QList<DiscEntry> entries;
        for (const DirRecord& r : *records) {
            if (isUsableName(r.name))
                entries.append(
                    DiscEntry { r.name, r.folder, r.folder ? 0 : r.streamSize(), r.form2 });
        }
        return entries;
    }

    std::unique_ptr<DiscFile> open(const QString& file) override
    {
        const std::optional<DirRecord> record = find(discPathComponents(file));
        if (!record || record->folder)
            return nullptr;
        // A file must start on the disc; one that runs past its end (a cut
        // image) reads up to there and then fails.
        if (m_disc->count && record->dataLength && record->extent >= m_disc->count)
            return nullptr;
        return std::make_unique<IsoFile>(m_disc, *record);
    }

private:
    std::optional<std::vector<DirRecord>> readDirectory(const DirRecord& dir)
    {
        if (dir.dataLength > kMaxDirectoryBytes)
            return std::nullopt;
        const quint32 sectors = dir.sectors();
        if (m_disc->count && quint64(dir.extent) + sectors > m_disc->count)
            return std::nullopt;
        std::vector<std::uint8_t> bytes(size_t(sectors) * kDataBytes);
        {
            std::lock_guard lock(m_disc->mutex);
            if (sectors && !m_disc->source->readData(dir.extent, sectors, bytes.data()))
                return std::nullopt;
        }
        bytes.resize(dir.dataLength);
        return parseDirectory(bytes);
    }

    // Each step reads one directory, so a record that points back at its own
    // folder costs one read per component and the depth bound ends it.
    std::optional<DirRecord> find(const QStringList& components)
    {
        if (components.size() > kMaxDepth)
            return std::nullopt;
        DirRecord current = m_root;
        for (const QString& name : components) {
            if (!current.folder)
                return std::nullopt;
            const std::optional<std::vector<DirRecord>> records = readDirectory(current);
            if (!records)
                return std::nullopt;
            const auto it = std::find_if(records->begin(), records->end(), [&](const DirRecord& r) {
                return isUsableName(r.name) && r.name.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (it == records->end())
                return std::nullopt;
            current = *it;
        }
        return current;
    }

    std::shared_ptr<Disc> m_disc;
    DirRecord m_root;
};

} // namespace

std::optional<DirRecord> parseDirRecord(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kFixedRecordBytes + 1)
        return std::nullopt;
    const std::uint8_t length = bytes[0];
    const std::uint8_t nameLength = bytes[32];
    if (length < kFixedRecordBytes + 1 || length > bytes.size() || nameLength == 0
        || kFixedRecordBytes + nameLength > length)
        return std::nullopt;
    DirRecord r;
    r.length = length;
    r.extent = le32(bytes, 2);
    r.dataLength = le32(bytes, 10);
    r.folder = (bytes[25] & kFlagDirectory) != 0;
    r.name = recordName(bytes.subspan(kFixedRecordBytes, nameLength));
    // The XA field opens the system use area, which starts on an even offset.
    const size_t systemUse = kFixedRecordBytes + nameLength + (nameLength % 2 ? 0 : 1);
    if (systemUse + kXaBytes <= length && bytes[systemUse + 6] == 'X'
        && bytes[systemUse + 7] == 'A') {
        const auto attributes = quint16(bytes[systemUse + 4] << 8 | bytes[systemUse + 5]);
        r.form2 = !r.folder && (attributes & kXaForm2);
    }
    return r;
}

std::vector<DirRecord> parseDirectory(std::span<const std::uint8_t> extent)
{
    std::vector<DirRecord> records;
    for (size_t sector = 0; sector < extent.size(); sector += kDataBytes) {
        const auto inSector
            = extent.subspan(sector, std::min<size_t>(kDataBytes, extent.size() - sector));
        size_t at = 0;
        while (at < inSector.size() && inSector[at] != 0) {
            const std::optional<DirRecord> r = parseDirRecord(inSector.subspan(at));
            if (!r)
                break;
            records.push_back(*r);
            at += r->length;
        }
    }
    return records;
}

std::optional<DirRecord> parsePrimaryDescriptor(std::span<const std::uint8_t> sector)
{
    constexpr size_t kRootRecord = 156;
    constexpr size_t kRootRecordBytes = 34;
    if (sector.size() < kDataBytes || sector[0] != 1 || std::memcmp(&sector[1], "CD001", 5) != 0
        || sector[6] != 1)
        return std::nullopt;
    const quint32 blockSize = quint32(sector[128]) | quint32(sector[129]) << 8;
    if (blockSize != kDataBytes)
        return std::nullopt;
    std::optional<DirRecord> root = parseDirRecord(sector.subspan(kRootRecord, kRootRecordBytes));
    if (!root || !root->folder)
        return std::nullopt;
    return root;
}

std::unique_ptr<DiscReader> makeIsoReader(std::unique_ptr<SectorSource> source)
{
    if (!source)
        return nullptr;
    auto disc = std::make_shared<Disc>();
    disc->count = source->sectorCount();
    disc->source = std::move(source);
    std::vector<std::uint8_t> sector(kDataBytes);
    for (quint32 lsn = kFirstDescriptor; lsn < kFirstDescriptor + kMaxDescriptors; ++lsn) {
        if (disc->count && lsn >= disc->count)
            break;
        if (!disc->source->readData(lsn, 1, sector.data()))
            break;
        if (std::memcmp(&sector[1], "CD001", 5) != 0 || sector[0] == 255)
            break; // not ISO 9660, or the set's terminator
        if (const std::optional<DirRecord> root = parsePrimaryDescriptor(sector))
            return std::make_unique<IsoReader>(std::move(disc), *root);
    }
    return nullptr;
}

} // namespace veltrin::disc

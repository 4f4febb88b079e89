// Paths into discs and the ISO 9660 records of the discs themselves. The
// input is a path (up to the first line feed), then an image whose first
// byte is sector 16, where the volume descriptors start.
#include "check.h"
#include "engine/discfs.h"
#include "runtime/discpath.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using namespace veltrin;

class MemorySource final : public disc::SectorSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {
    }

    quint32 sectorCount() const override
    {
        return disc::kFirstDescriptor + quint32((m_bytes.size() + 2047) / 2048);
    }

    bool readData(quint32 lsn, quint32 count, std::uint8_t* out) override
    {
        return read(lsn, count, out, disc::kDataBytes);
    }

    bool readForm2(quint32 lsn, quint32 count, std::uint8_t* out) override
    {
        return read(lsn, count, out, disc::kForm2Bytes);
    }

private:
    // Each sector's 2,048 stored bytes, zero-filled to `unit`; a sector past
    // the end fails as a cut image does.
    bool read(quint32 lsn, quint32 count, std::uint8_t* out, size_t unit)
    {
        for (quint32 i = 0; i < count; ++i, out += unit) {
            std::memset(out, 0, unit);
            const quint64 s = quint64(lsn) + i;
            if (s < disc::kFirstDescriptor)
                continue;
            const quint64 at = (s - disc::kFirstDescriptor) * 2048;
            if (at >= m_bytes.size())
                return false;
            std::memcpy(out, m_bytes.data() + at, std::min<size_t>(2048, m_bytes.size() - at));
        }
        return true;
    }

    std::span<const std::uint8_t> m_bytes;
};

bool nameLikeContainer(const QString& p)
{
    return hasDiscImageSuffix(p) || hasOpticalDeviceName(p);
}

void checkPath(const QString& path)
{
    const std::optional<DiscPath> split = splitDiscPath(path, nameLikeContainer);
    if (split) {
        FUZZ_CHECK(path.startsWith(split->container));
        const QString rest = path.mid(split->container.size());
        FUZZ_CHECK(rest.isEmpty() || rest.startsWith(u'/'));
        const QStringList parts = discPathComponents(split->inner);
        FUZZ_CHECK(parts.join(u'/') == split->inner);
        for (const QString& p : parts)
            FUZZ_CHECK(!p.isEmpty() && p != u"." && p != u".." && !p.contains(u'/'));
        // Whatever a path splits into, its URI gives it back.
        if (!split->container.contains(QChar(0)) && !split->inner.contains(QChar(0))) {
            const std::optional<DiscPath> back
                = parseDiscUri(discUri(split->container, split->inner));
            FUZZ_CHECK(back && *back == *split);
        }
    }
    if (const std::optional<DiscPath> parsed = parseDiscUri(path)) {
        FUZZ_CHECK(!parsed->container.isEmpty());
        const std::optional<DiscPath> again
            = parseDiscUri(discUri(parsed->container, parsed->inner));
        FUZZ_CHECK(again && *again == *parsed);
    }
}

void checkImage(const QString& inner, std::span<const std::uint8_t> image)
{
    const std::vector<disc::DirRecord> records = disc::parseDirectory(image);
    size_t used = 0;
    for (const disc::DirRecord& r : records) {
        FUZZ_CHECK(r.length >= 34);
        used += r.length;
    }
    FUZZ_CHECK(used <= image.size());

    const std::unique_ptr<DiscReader> reader
        = disc::makeIsoReader(std::make_unique<MemorySource>(image));
    if (!reader)
        return;
    const std::optional<QList<DiscEntry>> entries = reader->list(inner);
    if (!entries)
        return;
    std::vector<char> buffer(4096);
    int opened = 0;
    for (const DiscEntry& e : *entries) {
        FUZZ_CHECK(!e.name.isEmpty() && !e.name.contains(u'/'));
        if (e.folder || ++opened > 8)
            continue;
        const std::unique_ptr<DiscFile> file = reader->open(inner + u'/' + e.name);
        if (!file)
            continue;
        // A file is read up to a few sectors: its record may claim 4 GiB.
        quint64 at = 0;
        for (int i = 0; i < 16 && at < file->size(); ++i) {
            const qint64 n = file->read(at, buffer.data(), qint64(buffer.size()));
            FUZZ_CHECK(n <= qint64(buffer.size()));
            if (n <= 0)
                break;
            at += quint64(n);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto* end = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
    const size_t cut = end ? size_t(end - data) : size;
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(cut));
    checkPath(path);
    const std::optional<DiscPath> split = splitDiscPath(path, nameLikeContainer);
    const std::span<const uint8_t> image(
        data + std::min(size, cut + 1), size - std::min(size, cut + 1));
    checkImage(split ? split->inner : path, image);
    return 0;
}

#include "engine/discopen.h"

#include <QByteArray>
#include <algorithm>
#include <mutex>
#include <optional>
#include <utility>

namespace veltrin {

namespace {

struct Lending {
    std::mutex mutex;
    std::optional<DiscPath> where;
    OpenedDiscFile opened;
};

Lending& lending()
{
    static Lending l;
    return l;
}

// A file seen from its first MPEG pack on.
class FromFirstPack : public DiscFile {
public:
    FromFirstPack(std::unique_ptr<DiscFile> file, quint64 skip)
        : m_file(std::move(file))
        , m_skip(skip)
    {
    }
    quint64 size() const override { return m_file->size() - m_skip; }
    qint64 read(quint64 offset, char* out, qint64 length) override
    {
        return m_file->read(offset + m_skip, out, length);
    }

private:
    std::unique_ptr<DiscFile> m_file;
    quint64 m_skip;
};

// A Video CD track begins with empty sectors before its first pack. Type
// finders look for a pack at the start of a stream; not finding one there,
// they try every other kind of file first, which loads plugins for ~0.2 s.
// Zeros before a pack header are no part of any stream, so they are left out.
std::unique_ptr<DiscFile> startAtFirstPack(std::unique_ptr<DiscFile> file)
{
    // Up to 64 empty Form 2 sectors; a track has 15 or 30 of them.
    constexpr qint64 kLookAhead = 64 * 2324 + 4;
    QByteArray head(qint64(std::min<quint64>(file->size(), kLookAhead)), Qt::Uninitialized);
    const qint64 n = file->read(0, head.data(), head.size());
    if (n < 4)
        return file;
    qint64 first = 0;
    while (first < n && head.at(first) == 0)
        ++first;
    // The first non-zero byte ends a pack start code: 00 00 01 BA.
    if (first <= 2 || first + 1 >= n || head.at(first) != 1 || uchar(head.at(first + 1)) != 0xba)
        return file; // no zeros before the pack, or no pack
    return std::make_unique<FromFirstPack>(std::move(file), quint64(first - 2));
}

} // namespace

OpenedDiscFile openDiscFile(const DiscPath& where)
{
    OpenedDiscFile opened;
    opened.reader = openDisc(where.container);
    if (opened.reader)
        opened.file = opened.reader->open(where.inner);
    if (opened.file)
        opened.file = startAtFirstPack(std::move(opened.file));
    return opened;
}

DiscFileLease::DiscFileLease(DiscPath where, OpenedDiscFile opened)
{
    OpenedDiscFile earlier;
    Lending& l = lending();
    {
        std::lock_guard lock(l.mutex);
        earlier = std::exchange(l.opened, std::move(opened));
        l.where = std::move(where);
    }
    // Closed outside the lock: a drive may take its time.
}

DiscFileLease::~DiscFileLease()
{
    OpenedDiscFile left;
    Lending& l = lending();
    std::lock_guard lock(l.mutex);
    left = std::exchange(l.opened, {});
    l.where.reset();
}

OpenedDiscFile takeLeasedDiscFile(const DiscPath& where)
{
    Lending& l = lending();
    std::lock_guard lock(l.mutex);
    if (!l.where || *l.where != where)
        return {};
    return std::exchange(l.opened, {});
}

bool returnLeasedDiscFile(const DiscPath& where, OpenedDiscFile& opened)
{
    Lending& l = lending();
    std::lock_guard lock(l.mutex);
    if (!l.where || *l.where != where || l.opened.file)
        return false;
    l.opened = std::exchange(opened, {});
    return true;
}

} // namespace veltrin

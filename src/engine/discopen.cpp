#include "engine/discopen.h"

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

} // namespace

OpenedDiscFile openDiscFile(const DiscPath& where)
{
    OpenedDiscFile opened;
    opened.reader = openDisc(where.container);
    if (opened.reader)
        opened.file = opened.reader->open(where.inner);
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

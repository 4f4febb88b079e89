// The play list readers: any bytes a .pls, .m3u or .m3u8 file can hold.
#include "check.h"
#include "player/playlistfile.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = veltrin::splitPlayList(bytes);

    FUZZ_CHECK(lines.size() <= veltrin::kMaxPlayListLines);
    qsizetype chars = 0;
    for (const QString& line : lines) {
        // A line break never ends up inside an entry name, nor a trailing space.
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'));
        FUZZ_CHECK(!line.endsWith(u' '));
        chars += line.size();
    }
    // Every byte is at most one character (Latin-1) and UTF-8 only shrinks.
    FUZZ_CHECK(chars <= bytes.size());
    // Input without a line break is one entry at most.
    if (!bytes.contains('\r') && !bytes.contains('\n'))
        FUZZ_CHECK(lines.size() <= 1);

    const QString folder = QStringLiteral("/lists");
    for (const char* name : { "/lists/a.pls", "/lists/a.m3u", "/lists/a.m3u8" }) {
        const QList<veltrin::PlayListEntry> entries
            = veltrin::parsePlayList(bytes, QString::fromLatin1(name));
        FUZZ_CHECK(entries.size() <= veltrin::kMaxPlayListLines);
        for (const veltrin::PlayListEntry& e : entries) {
            // Every entry plays from an absolute path; a relative one from the list's folder.
            FUZZ_CHECK(e.path.startsWith(u'/'));
            FUZZ_CHECK(
                e.name.startsWith(u'/') ? e.path == e.name : e.path == folder + u'/' + e.name);
            FUZZ_CHECK(!e.path.contains(QChar(0)));
        }
    }
    return 0;
}

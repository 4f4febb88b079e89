#include "engine/disc.h"

#include "runtime/mounts.h"

#include <QDir>
#include <QFile>
#include <QUrl>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace veltrin {

namespace {

QString prefix()
{
    return QString::fromLatin1(kDiscUriScheme) + QStringLiteral("://");
}

// Whether the kernel's file system reads a file's first block. It refuses a
// Video CD track's Form 2 sectors with an I/O error; other files on a mounted
// disc are left to it, Joliet and Rock Ridge names and all.
bool kernelReads(const QString& path)
{
    // Non-blocking: a FIFO must not stop the caller.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    char block[2048];
    const ssize_t n = ::pread(fd, block, sizeof block, 0);
    ::close(fd);
    return n >= 0;
}

} // namespace

QString cdAudioTrackName(int track)
{
    return QStringLiteral("Track%1.cda").arg(track, 2, 10, QChar(u'0'));
}

int cdAudioTrackNumber(const QString& name)
{
    // "Track", two ASCII digits, ".cda".
    const auto digit = [&](int at) {
        const char16_t c = name.at(at).unicode();
        return c >= u'0' && c <= u'9' ? int(c - u'0') : -1;
    };
    if (name.size() != 11 || !name.startsWith(u"track", Qt::CaseInsensitive)
        || !name.endsWith(u".cda", Qt::CaseInsensitive) || digit(5) < 0 || digit(6) < 0)
        return 0;
    return digit(5) * 10 + digit(6);
}

QString cdAudioUri(const QString& source, int track)
{
    // The CD audio source takes the device from the URI's location, up to
    // the last "#"; an encoded "#" in the path stays out of its way.
    return QStringLiteral("cdda://") + QString::fromLatin1(QUrl::toPercentEncoding(source, "/"))
        + u'#' + QString::number(track);
}

QString discUri(const QString& source, const QString& inner)
{
    QString uri = prefix() + QString::fromLatin1(QUrl::toPercentEncoding(source)) + u'/';
    QStringList parts;
    for (const QString& part : discPathComponents(inner))
        parts.append(QString::fromLatin1(QUrl::toPercentEncoding(part)));
    return uri + parts.join(u'/');
}

std::optional<DiscPath> parseDiscUri(const QString& uri)
{
    if (!uri.startsWith(prefix(), Qt::CaseInsensitive))
        return std::nullopt;
    const QString rest = uri.mid(prefix().size());
    const qsizetype slash = rest.indexOf(u'/');
    const auto decode = [](QStringView part) { return QUrl::fromPercentEncoding(part.toLatin1()); };
    // Percent-encoded URIs are ASCII; anything else was not made by discUri.
    for (QChar c : rest) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f)
            return std::nullopt;
    }
    DiscPath path;
    path.container = decode(QStringView(rest).left(slash < 0 ? rest.size() : slash));
    QStringList inner;
    if (slash >= 0) {
        for (const QString& part : rest.mid(slash + 1).split(u'/'))
            inner.append(decode(part));
    }
    // A NUL would cut the name short where it meets the C library.
    if (path.container.isEmpty() || path.container.contains(QChar(0)))
        return std::nullopt;
    for (const QString& part : inner) {
        if (part.contains(QChar(0)) || part.contains(u'/'))
            return std::nullopt;
    }
    path.inner = discPathComponents(inner.join(u'/')).join(u'/');
    return path;
}

namespace {

// The path on the disc of the deepest mount point of a drive's ISO 9660 disc
// that holds `path`; nullopt when none does.
std::optional<DiscPath> onMountedDisc(const QString& path, const QString& mountTable)
{
    if (!QDir::isAbsolutePath(path))
        return std::nullopt;
    const QString clean = QDir::cleanPath(path);
    std::optional<DiscPath> mounted;
    qsizetype deepest = -1;
    for (const MountEntry& m : readMountTable(mountTable)) {
        const QString point = m.mountPoint.endsWith(u'/') ? m.mountPoint : m.mountPoint + u'/';
        if (m.fsType != u"iso9660" || !clean.startsWith(point) || point.size() <= deepest
            || !isDiscContainer(m.device))
            continue;
        deepest = point.size();
        mounted = DiscPath { m.device, discPathComponents(clean.mid(point.size())).join(u'/') };
    }
    return mounted;
}

// Whether the disc holds the file as Mode 2 Form 2 sectors (a Video CD
// track): those are read from the drive, whatever the file system makes of them.
bool isForm2File(const DiscPath& where)
{
    const qsizetype slash = where.inner.lastIndexOf(u'/');
    const QString name = where.inner.mid(slash + 1);
    const std::unique_ptr<DiscReader> reader = openDisc(where.container);
    const std::optional<QList<DiscEntry>> entries
        = reader ? reader->list(slash < 0 ? QString() : where.inner.left(slash)) : std::nullopt;
    return entries && std::any_of(entries->cbegin(), entries->cend(), [&](const DiscEntry& e) {
        return !e.folder && e.form2 && e.name.compare(name, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

bool pathMayBeOnDisc(const QString& path, const QString& mountTable)
{
    return splitDiscPath(path) || onMountedDisc(path, mountTable);
}

std::optional<QString> discUriForPath(const QString& path, const QString& mountTable)
{
    std::optional<DiscPath> where = splitDiscPath(path);
    if (!where) {
        std::optional<DiscPath> mounted = onMountedDisc(path, mountTable);
        if (mounted && (isForm2File(*mounted) || !kernelReads(path)))
            where = std::move(mounted);
    }
    if (!where || where->inner.isEmpty())
        return std::nullopt;
    // An audio track the disc does not hold (past the last one, or lost from
    // a cut image) goes to our source, which finds no such file.
    if (const int track = cdAudioTrackNumber(where->inner); track > 0) {
        const std::optional<QList<DiscEntry>> tracks = listCdAudioTracks(where->container);
        const QString name = cdAudioTrackName(track);
        if (tracks && std::any_of(tracks->cbegin(), tracks->cend(), [&](const DiscEntry& e) {
                return e.name == name;
            }))
            return cdAudioUri(where->container, track);
    }
    return discUri(where->container, where->inner);
}

} // namespace veltrin

#include "engine/disc.h"

#include "runtime/mounts.h"

#include <QDir>
#include <QFile>
#include <QUrl>
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

std::optional<QString> discUriForPath(const QString& path, const QString& mountTable)
{
    std::optional<DiscPath> where = splitDiscPath(path);
    if (!where && QDir::isAbsolutePath(path)) {
        // The deepest mount point of a drive's ISO 9660 disc that holds the path.
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
        if (mounted && !kernelReads(path))
            where = mounted;
    }
    if (!where || where->inner.isEmpty())
        return std::nullopt;
    return discUri(where->container, where->inner);
}

} // namespace veltrin

// Which file on which disc a local path names: paths into disc images and
// devices, and files on a mounted drive's disc that are read from the drive.
#include "engine/disc.h"

#include "runtime/mounts.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace veltrin {

namespace {

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

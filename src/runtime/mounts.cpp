#include "runtime/mounts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <mutex>

namespace veltrin {

namespace {

// A mount table is a few kilobytes; anything this large is not one.
constexpr qint64 kMaxTableBytes = 4 << 20;

bool isOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

bool isOpticalDevice(const QString& device)
{
    if (device.startsWith(u"/dev/cdrom"))
        return true;
    // sr0, sr1, ...: the SCSI CD-ROM devices.
    const QString sr = QStringLiteral("/dev/sr");
    if (!device.startsWith(sr) || device.size() == sr.size())
        return false;
    for (qsizetype i = sr.size(); i < device.size(); ++i) {
        if (!device[i].isDigit())
            return false;
    }
    return true;
}

bool isUnderSystemFolder(const QString& mountPoint)
{
    for (const char* prefix : { "/proc", "/sys", "/dev", "/snap" }) {
        const QString p = QString::fromLatin1(prefix);
        if (mountPoint == p || mountPoint.startsWith(p + u'/'))
            return true;
    }
    return false;
}

} // namespace

QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctalDigit(field[i + 1])
            && isOctalDigit(field[i + 2]) && isOctalDigit(field[i + 3])) {
            const int value
                = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            // \000 and values past one byte are not escapes the kernel writes.
            if (value > 0 && value < 256) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QString::fromUtf8(out);
}

QList<MountEntry> parseMountTable(const QByteArray& text)
{
    QList<MountEntry> entries;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        MountEntry e { unescapeMountField(fields[0]), unescapeMountField(fields[1]),
            unescapeMountField(fields[2]) };
        if (!e.mountPoint.startsWith(u'/'))
            continue;
        entries.append(std::move(e));
    }
    return entries;
}

namespace {

struct SystemTable {
    std::mutex mutex;
    QString path;
};

SystemTable& systemTable()
{
    static SystemTable t;
    return t;
}

QString systemTablePath()
{
    std::lock_guard lock(systemTable().mutex);
    return systemTable().path.isEmpty() ? QString::fromLatin1(kSystemMountTable)
                                        : systemTable().path;
}

} // namespace

void setSystemMountTable(const QString& path)
{
    std::lock_guard lock(systemTable().mutex);
    systemTable().path = path;
}

QList<MountEntry> readMountTable(const QString& path)
{
    const QString tablePath = path.isEmpty() ? systemTablePath() : path;
    // Only a regular file: a FIFO behind the name would block. /proc/self/mounts
    // is one, reporting size 0, so it is read to its end with a cap.
    if (!QFileInfo(tablePath).isFile())
        return {};
    QFile file(tablePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseMountTable(file.read(kMaxTableBytes));
}

bool isOpticalMount(const MountEntry& entry)
{
    return isOpticalDevice(entry.device) || entry.fsType == u"iso9660" || entry.fsType == u"udf";
}

QStringList opticalMountPoints(const QString& tablePath)
{
    QStringList points;
    for (const MountEntry& e : readMountTable(tablePath)) {
        if (isOpticalMount(e) && !points.contains(e.mountPoint))
            points.append(e.mountPoint);
    }
    std::sort(points.begin(), points.end());
    return points;
}

QStringList unmountedOpticalDevices(const QString& tablePath, const QString& blockFolder)
{
    const QDir block(blockFolder.isEmpty() ? QString::fromLatin1(kSystemBlockFolder) : blockFolder);
    QStringList mounted;
    // By name and by what a link (/dev/cdrom) stands for.
    const auto canonical = [](const QString& device) {
        const QString real = QFileInfo(device).canonicalFilePath();
        return real.isEmpty() ? device : real;
    };
    for (const MountEntry& e : readMountTable(tablePath))
        mounted << e.device << canonical(e.device);
    QStringList devices;
    const QStringList drives = block.entryList({ QStringLiteral("sr*") },
        QDir::Dirs | QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : drives) {
        // The size in 512-byte sectors; 0 while the tray is empty.
        QFile size(block.filePath(name + QStringLiteral("/size")));
        if (!QFileInfo(size).isFile() || !size.open(QIODevice::ReadOnly))
            continue;
        if (size.read(32).trimmed().toLongLong() <= 0)
            continue;
        const QString device = QStringLiteral("/dev/") + name;
        if (!mounted.contains(device) && !mounted.contains(canonical(device)))
            devices << device;
    }
    // sr2 before sr10: the drive's number decides.
    std::sort(devices.begin(), devices.end(), [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return devices;
}

QStringList driveMountPoints(const QString& tablePath)
{
    QStringList points;
    for (const MountEntry& e : readMountTable(tablePath)) {
        if (e.mountPoint == u"/" || points.contains(e.mountPoint)
            || isUnderSystemFolder(e.mountPoint))
            continue;
        if (isOpticalMount(e)) {
            // Never touched here: a disc is only read when the user goes to it.
            points.append(e.mountPoint);
        } else if (e.device.startsWith(u"/dev/") && e.fsType != u"squashfs"
            && QFileInfo(e.mountPoint).isDir()) {
            points.append(e.mountPoint);
        }
    }
    std::sort(points.begin(), points.end());
    points.prepend(QStringLiteral("/"));
    return points;
}

QString driveOfPath(const QStringList& drives, const QString& path)
{
    if (!path.startsWith(u'/'))
        return {};
    const QString clean = QDir::cleanPath(path);
    QString best;
    qsizetype bestLength = -1;
    for (const QString& drive : drives) {
        const QString d = QDir::cleanPath(drive);
        const bool holds = d == u"/" || clean == d || clean.startsWith(d + u'/');
        if (holds && d.size() > bestLength) {
            best = drive;
            bestLength = d.size();
        }
    }
    return best;
}

} // namespace veltrin

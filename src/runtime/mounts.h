#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace veltrin {

// One line of the mount table.
struct MountEntry {
    QString device;
    QString mountPoint;
    QString fsType;
};

// The system's mount table, used when no other path is given.
inline constexpr char kSystemMountTable[] = "/proc/self/mounts";

// Puts another table in the system's place for every reader that is given no
// path, the engine's included (tests fake drives with it); "" gives the
// system's back. Any thread.
void setSystemMountTable(const QString& path);

// Reads a mount table in the fstab layout ("device mountpoint type options
// dump pass"), undoing the octal escapes (\040 for a space) of its fields.
// Lines that cannot be read are skipped; a missing or unreadable table, or one
// that is not a regular file, reads as empty. An empty path means the system's.
QList<MountEntry> readMountTable(const QString& path = {});

// Parses the text of a mount table.
QList<MountEntry> parseMountTable(const QByteArray& text);

// "\040" and the other three-digit octal escapes back to their characters.
QString unescapeMountField(const QByteArray& field);

// A disc in an optical drive: a CD or DVD device, or a disc file system.
bool isOpticalMount(const MountEntry& entry);

// The mount points of mounted optical media, sorted and without duplicates:
// the player's CD-ROM drives. Nothing on them is touched to find them.
QStringList opticalMountPoints(const QString& tablePath = {});

// Where the kernel lists block devices; optical drives are its sr* entries.
inline constexpr char kSystemBlockFolder[] = "/sys/block";

// Optical drives holding a disc that nobody mounted (an audio CD, or a data
// disc the desktop left alone), as device paths (/dev/sr0 ...), sorted. A
// drive counts as holding a disc when the kernel gives it a size; one that
// appears as a device field of the mount table is mounted and left out.
// Empty paths mean the system's.
QStringList unmountedOpticalDevices(const QString& tablePath = {}, const QString& blockFolder = {});

// What a drive list offers: the root folder first, then the sorted mount points
// of block devices and optical media. Kernel and memory file systems, and
// mount points that are single files (bind mounts), are left out.
QStringList driveMountPoints(const QString& tablePath = {});

// The drive (one of the given mount points) that holds a path: the longest
// mount point that is the path or one of its ancestors; "" when none is.
QString driveOfPath(const QStringList& drives, const QString& path);

} // namespace veltrin

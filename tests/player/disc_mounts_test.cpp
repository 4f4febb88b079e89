#include "runtime/mounts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace veltrin;

namespace {

QString writeTable(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.filePath(QStringLiteral("mounts"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return path;
}

TEST(MountTable, fieldsLoseTheirOctalEscapes)
{
    struct Case {
        const char* field;
        const char* expected;
    };
    const Case cases[] = {
        { "/media/My\\040Disc", "/media/My Disc" }, { "/media/tab\\011here", "/media/tab\there" },
        { "/media/back\\134slash", "/media/back\\slash" },
        { "/media/short\\04", "/media/short\\04" }, // not three digits: kept
        { "/media/bad\\089", "/media/bad\\089" }, // 8 is no octal digit
        { "/media/caf\\303\\251", "/media/caf\u00e9" }, // escaped UTF-8 bytes
    };
    for (const Case& c : cases)
        EXPECT_EQ(unescapeMountField(c.field), QString::fromUtf8(c.expected)) << c.field;
}

TEST(MountTable, parsesLinesAndSkipsOnesItCannotRead)
{
    const auto entries = parseMountTable("/dev/sr0 /media/cd\\040rom iso9660 ro,nosuid 0 0\n"
                                         "\n# a comment\n"
                                         "broken-line\n"
                                         "proc /proc proc rw 0 0\n"
                                         "none relative tmpfs rw 0 0\n"
                                         "/dev/sda1\t/\text4 rw 0 0");
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].device, u"/dev/sr0");
    EXPECT_EQ(entries[0].mountPoint, u"/media/cd rom");
    EXPECT_EQ(entries[0].fsType, u"iso9660");
    EXPECT_EQ(entries[1].mountPoint, u"/proc");
    // Tab-separated, and the last line needs no line end.
    EXPECT_EQ(entries[2].device, u"/dev/sda1");
    EXPECT_EQ(entries[2].mountPoint, u"/");
    EXPECT_EQ(entries[2].fsType, u"ext4");
}

TEST(MountTable, opticalMediaAreKnownByDeviceOrFileSystem)
{
    struct Case {
        const char* device;
        const char* fsType;
        bool optical;
    };
    const Case cases[] = {
        { "/dev/sr0", "iso9660", true },
        { "/dev/sr12", "udf", true },
        { "/dev/cdrom", "auto", true },
        { "/dev/cdrom1", "vfat", true },
        { "/dev/loop3", "iso9660", true },
        { "/dev/sdb1", "udf", true },
        { "/dev/sda1", "ext4", false },
        { "/dev/srv", "ext4", false },
        { "tmpfs", "tmpfs", false },
        { "/dev/sdc1", "vfat", false },
    };
    for (const Case& c : cases) {
        const MountEntry e { QString::fromLatin1(c.device), QStringLiteral("/m"),
            QString::fromLatin1(c.fsType) };
        EXPECT_EQ(isOpticalMount(e), c.optical) << c.device << " " << c.fsType;
    }
}

TEST(MountTable, opticalMountPointsAreSortedOnceEachAndNeverTouched)
{
    QTemporaryDir dir;
    // None of these folders exists: finding the drives reads the table only.
    const QString table = writeTable(dir,
        "/dev/sr1 /media/zeta iso9660 ro 0 0\n"
        "/dev/sda1 / ext4 rw 0 0\n"
        "/dev/sr0 /media/alpha udf ro 0 0\n"
        "/dev/sr1 /media/zeta iso9660 ro 0 0\n"
        "/dev/sdb1 /media/usb vfat rw 0 0\n");
    EXPECT_EQ(opticalMountPoints(table), (QStringList { "/media/alpha", "/media/zeta" }));
}

TEST(MountTable, anUnusableTableHasNoDrives)
{
    QTemporaryDir dir;
    EXPECT_TRUE(opticalMountPoints(dir.filePath(QStringLiteral("missing"))).isEmpty());
    EXPECT_TRUE(opticalMountPoints(dir.path()).isEmpty()); // a folder
    // A FIFO would block a reader that opened it; it must read as empty at once.
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(opticalMountPoints(fifo).isEmpty());
}

TEST(MountTable, drivesAreRootFirstThenRealMountPoints)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    QDir(dir.path()).mkpath(QStringLiteral("backup"));
    QFile(dir.filePath(QStringLiteral("hosts"))).open(QIODevice::WriteOnly);
    const QString d = dir.path();
    const QString table = writeTable(dir,
        QStringLiteral("proc /proc proc rw 0 0\n"
                       "sysfs /sys sysfs rw 0 0\n"
                       "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                       "/dev/sdb1 %1/data ext4 rw 0 0\n"
                       "/dev/sda1 %1/hosts ext4 rw 0 0\n"
                       "/dev/sdc1 %1/backup ext4 rw 0 0\n"
                       "/dev/loop0 /snap/core/1 squashfs ro 0 0\n"
                       "/dev/sr0 %1/cd\\040rom iso9660 ro 0 0\n"
                       "overlay / overlay rw 0 0\n")
            .arg(d)
            .toUtf8());
    // The bind-mounted file and the kernel file systems are no drives; the disc
    // is one although its folder is not checked.
    EXPECT_EQ(
        driveMountPoints(table), (QStringList { "/", d + "/backup", d + "/cd rom", d + "/data" }));
}

TEST(MountTable, aPathBelongsToTheDeepestMountPointHoldingIt)
{
    const QStringList drives { "/", "/media/cd", "/media/cdrom", "/home" };
    struct Case {
        const char* path;
        const char* drive;
    };
    const Case cases[] = {
        { "/media/cd/MPEGAV", "/media/cd" },
        { "/media/cdrom/VIDEO_TS/", "/media/cdrom" }, // a prefix of the name is not enough
        { "/media/cd", "/media/cd" },
        { "/home/user/../user/films", "/home" },
        { "/var/tmp", "/" },
        { "/", "/" },
        { "relative/path", "" },
        { "", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(driveOfPath(drives, QString::fromUtf8(c.path)), QString::fromUtf8(c.drive))
            << c.path;
}

} // namespace

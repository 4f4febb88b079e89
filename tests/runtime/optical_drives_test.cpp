// Optical drives with a disc that nobody mounted, found through a block
// folder laid out as the kernel's.
#include "runtime/mounts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

TEST(OpticalDrives, unmountedDrivesWithADiscAreListedOnce)
{
    QTemporaryDir dir;
    const QString block = dir.filePath(QStringLiteral("block"));
    write(block + "/sr0/size", "1433600\n"); // mounted below
    write(block + "/sr1/size", "0\n"); // empty tray
    write(block + "/sr2/size", "716800\n");
    write(block + "/sr10/size", "9\n");
    write(block + "/sda/size", "999999\n"); // not an optical drive
    QDir().mkpath(block + "/sr3"); // no size to read
    write(block + "/sr4/size", "garbage");
    const QString table = dir.filePath(QStringLiteral("mounts"));
    write(table, "/dev/sr0 /media/cd iso9660 ro 0 0\n/dev/sda1 / ext4 rw 0 0\n");

    EXPECT_EQ(
        veltrin::unmountedOpticalDevices(table, block), (QStringList { "/dev/sr2", "/dev/sr10" }));
    // No table: every drive with a disc is unmounted. No block folder: none.
    EXPECT_EQ(veltrin::unmountedOpticalDevices(dir.filePath("none"), block),
        (QStringList { "/dev/sr0", "/dev/sr2", "/dev/sr10" }));
    EXPECT_TRUE(veltrin::unmountedOpticalDevices(table, dir.filePath("none")).isEmpty());
}

} // namespace

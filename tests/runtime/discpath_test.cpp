#include "runtime/discpath.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrin;

namespace {

struct SplitCase {
    const char* path;
    const char* container; // nullptr: not a path into a disc
    const char* inner;
};

// Containers for the pure split: any of these names, as if they existed.
const QSet<QString> kContainers { QStringLiteral("/x/films.cue"), QStringLiteral("/x/A.BIN"),
    QStringLiteral("/dev/sr0"), QStringLiteral("/dev/cdrom"), QStringLiteral("/y/d.iso"),
    QStringLiteral("/y/d.iso/inner.iso"), QStringLiteral("/z/notes.txt") };

class SplitDiscPath : public ::testing::TestWithParam<SplitCase> { };

TEST_P(SplitDiscPath, findsTheContainerAndTheInnerPath)
{
    const SplitCase c = GetParam();
    const auto split = splitDiscPath(
        QString::fromUtf8(c.path), [](const QString& p) { return kContainers.contains(p); });
    if (!c.container) {
        EXPECT_FALSE(split.has_value());
        return;
    }
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->container.toStdString(), c.container);
    EXPECT_EQ(split->inner.toStdString(), c.inner);
}

INSTANTIATE_TEST_SUITE_P(Paths, SplitDiscPath,
    ::testing::Values(
        SplitCase { "/x/films.cue/MPEGAV/AVSEQ01.DAT", "/x/films.cue", "MPEGAV/AVSEQ01.DAT" },
        SplitCase { "/x/films.cue", "/x/films.cue", "" },
        SplitCase { "/x/films.cue/", "/x/films.cue", "" },
        SplitCase { "/x/A.BIN//mpegav/./avseq01.dat", "/x/A.BIN", "mpegav/avseq01.dat" },
        SplitCase { "/dev/sr0/MPEGAV/AVSEQ02.DAT", "/dev/sr0", "MPEGAV/AVSEQ02.DAT" },
        SplitCase {
            "/dev/cdrom/VIDEO_TS/../VIDEO_TS/VTS_01_1.VOB", "/dev/cdrom", "VIDEO_TS/VTS_01_1.VOB" },
        SplitCase { "/dev/sr0/../../../etc", "/dev/sr0", "etc" },
        // The first container wins: an image inside an image is a file of it.
        SplitCase { "/y/d.iso/inner.iso/A", "/y/d.iso", "inner.iso/A" },
        // Named like one but not a container; not named like one.
        SplitCase { "/x/other.cue/MPEGAV", nullptr, nullptr },
        SplitCase { "/z/notes.txt/MPEGAV", nullptr, nullptr },
        SplitCase { "/dev/sda/MPEGAV", nullptr, nullptr },
        SplitCase { "/x/films.cuex/A", nullptr, nullptr }, SplitCase { "", nullptr, nullptr }));

TEST(DiscPath, containersAreRegularImagesOrDrives)
{
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("Films.CUE"));
    QFile(image).open(QIODevice::WriteOnly);
    const QString folder = dir.filePath(QStringLiteral("folder.iso"));
    QDir().mkpath(folder);
    const QString plain = dir.filePath(QStringLiteral("plain.txt"));
    QFile(plain).open(QIODevice::WriteOnly);

    EXPECT_TRUE(isDiscContainer(image));
    EXPECT_FALSE(isDiscContainer(folder)); // a folder, whatever its name
    EXPECT_FALSE(isDiscContainer(plain));
    EXPECT_FALSE(isDiscContainer(dir.filePath(QStringLiteral("missing.iso"))));
    EXPECT_FALSE(isDiscContainer(QStringLiteral("/dev/null"))); // not a drive

    const auto split = splitDiscPath(image + QStringLiteral("/MPEGAV/AVSEQ01.DAT"));
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->container, image);
    EXPECT_EQ(split->inner, QStringLiteral("MPEGAV/AVSEQ01.DAT"));
    EXPECT_FALSE(splitDiscPath(folder + QStringLiteral("/MPEGAV")).has_value());

    // A relative path is taken from the current folder.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const auto relative = splitDiscPath(QStringLiteral("Films.CUE/VCD"));
    QDir::setCurrent(before);
    ASSERT_TRUE(relative.has_value());
    EXPECT_EQ(
        QFileInfo(relative->container).canonicalFilePath(), QFileInfo(image).canonicalFilePath());
    EXPECT_EQ(relative->inner, QStringLiteral("VCD"));
}

} // namespace

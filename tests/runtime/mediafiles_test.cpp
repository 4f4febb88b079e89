#include "runtime/mediafiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace veltrin;

namespace {

TEST(MediaFiles, namesAreRecognisedByExtensionWithoutRegardToCase)
{
    const struct {
        const char* name;
        bool media;
    } cases[] = {
        { "AVSEQ01.DAT", true },
        { "vts_01_1.VOB", true },
        { "a.mpg", true },
        { "a.MPEG", true },
        { "a.avi", true },
        { "a.Mp3", true },
        { "a.asf", true },
        { "a.wm", true },
        { "a.wma", true },
        { "a.WMV", true },
        { "a.qt", true },
        { "a.mov", true },
        { "a.mp4", true },
        { "Track01.cda", true },
        { "list.PLS", true },
        { "list.m3u", true },
        { "list.M3U8", true },
        { "films.cue", true },
        { "films.BIN", true },
        { "dvd.iso", true },
        { "disc.nrg", true },
        { "disc.toc", true },
        { "films.cue.txt", false },
        { "notes.txt", false },
        { "a.mp4.txt", false },
        { "a.mkv", false },
        { "mpg", false },
        { "a.wmx", false },
        { "", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(isMediaFileName(QString::fromLatin1(c.name)), c.media) << c.name;
}

TEST(MediaFiles, firstMediaFileSkipsFoldersOtherFilesAndRemoteAddresses)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.mpg")));
    for (const char* name : { "notes.txt", "b.avi", "c.mp4" }) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto url = [&](const char* name) {
        return QUrl::fromLocalFile(dir.filePath(QString::fromLatin1(name)));
    };
    EXPECT_EQ(firstMediaFile({ QUrl(QStringLiteral("https://example.org/a.mpg")), url("folder.mpg"),
                  url("notes.txt"), url("missing.mpg"), url("b.avi"), url("c.mp4") }),
        dir.filePath(QStringLiteral("b.avi")));
    EXPECT_EQ(firstMediaFile({ url("folder.mpg"), url("notes.txt") }), QString());
    EXPECT_EQ(firstMediaFile({}), QString());
}

} // namespace

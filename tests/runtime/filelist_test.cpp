#include "runtime/filelistmodel.h"
#include "runtime/steps.h"
#include "runtime/wildcard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrin;

namespace {

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST(Wildcard, patternListsMatchWithoutRegardToCase)
{
    struct Case {
        const char* name;
        const char* patterns;
        bool match;
    } cases[] = {
        { "AVSEQ01.DAT", "*.dat;*.vob", true },
        { "vts_01_1.VOB", "*.dat;*.vob", true },
        { "song.mp3", "*.dat;*.vob", false },
        { "song.wma", "*.asf;*wma", true },
        { "songwma", "*wma", true }, // the dotless entry matches any name ending in wma
        { "a.mpeg", "*.mpg", false },
        { "a.mpg", " *.avi ; *.mpg ", true }, // blanks around entries do not count
        { "x", "", false },
        { "x", ";;", false },
        { "track?.dat", "track?.dat", true },
        { "trackA.dat", "track?.dat", true },
        { "track10.dat", "track?.dat", false },
        { "aXbXc", "a*b*c", true },
        { "aaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesPatternList(QString::fromLatin1(c.name), QString::fromLatin1(c.patterns)),
            c.match)
            << c.name << " ~ " << c.patterns;
}

TEST(FileListModel, listsMatchingFilesSortedCaseInsensitivelyWithoutHiddenOnes)
{
    QTemporaryDir dir;
    for (const char* n : { "b.DAT", "A.dat", "c.vob", ".hidden.dat", "notes.txt" })
        touch(dir.filePath(QString::fromLatin1(n)));
    QDir(dir.path()).mkdir(QStringLiteral("folder.dat"));
    FileListModel list;
    list.setPath(dir.path());
    EXPECT_EQ(list.entries(), (QStringList { "A.dat", "b.DAT", "c.vob" }));
    EXPECT_EQ(list.selectedIndex(), -1);
    EXPECT_EQ(list.currentName(), QString());

    list.setPattern(QStringLiteral("*.txt"));
    EXPECT_EQ(list.entries(), QStringList { "notes.txt" });
}

TEST(FileListModel, selectionAndAppendedEntries)
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("one.dat")));
    touch(dir.filePath(QStringLiteral("two.dat")));
    FileListModel list;
    list.setPath(dir.path());
    list.select(1);
    EXPECT_EQ(list.currentName(), QStringLiteral("two.dat"));
    EXPECT_EQ(list.entryPath(list.currentName()), dir.path() + QStringLiteral("/two.dat"));
    EXPECT_THROW(list.select(2), Failure);
    EXPECT_EQ(list.selectedIndex(), 1); // a refused selection changes nothing
    list.select(-1);
    EXPECT_EQ(list.currentName(), QString());

    list.append(QStringLiteral("extra.mpg"));
    list.append(QStringLiteral("/elsewhere/abs.mpg"));
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(
        list.entryPath(QStringLiteral("/elsewhere/abs.mpg")), QStringLiteral("/elsewhere/abs.mpg"));
    EXPECT_EQ(list.entryPath(QString()), dir.path() + u'/'); // no entry: the bare folder

    // A new listing drops appended entries and the selection.
    list.select(3);
    list.setPattern(QStringLiteral("*.dat"));
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.selectedIndex(), -1);
}

TEST(FileListModel, refusesFoldersThatCannotBeListed)
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("a.dat")));
    FileListModel list;
    list.setPath(dir.path());
    const QString file = dir.filePath(QStringLiteral("a.dat"));
    for (const QString& bad : { QString(), dir.filePath(QStringLiteral("missing")), file }) {
        EXPECT_THROW(list.setPath(bad), Failure) << bad.toStdString();
        EXPECT_EQ(list.path(), QDir(dir.path()).absolutePath());
        EXPECT_EQ(list.count(), 1);
    }
    // A folder that vanishes lists nothing on the next pattern change.
    QTemporaryDir gone;
    list.setPath(gone.path());
    gone.remove();
    list.setPattern(QStringLiteral("*"));
    EXPECT_EQ(list.count(), 0);
}

// Disc folders through a lister standing in for the engine's (whose real
// use is tested with real images in the engine's tests).
class DiscFolders : public ::testing::Test {
protected:
    DiscFolders()
    {
        touch(image);
        setDiscFolderLister([this](const QString& folder) -> std::optional<DiscFolderContents> {
            asked.append(folder);
            if (!answer)
                return std::nullopt;
            return DiscFolderContents { *answer, {} };
        });
    }
    ~DiscFolders() override { setDiscFolderLister({}); }

    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("films.cue"));
    QStringList asked;
    std::optional<QStringList> answer;
};

TEST_F(DiscFolders, listedByTheListerAsFoldersAre)
{
    answer = QStringList { "b.DAT", "AVSEQ01.DAT", "a.dat", ".hidden.dat", "notes.txt" };
    FileListModel list;
    list.setPattern(QStringLiteral("*.dat"));
    list.setPath(image + QStringLiteral("//MPEGAV/./"));
    EXPECT_EQ(asked, QStringList { image + QStringLiteral("/MPEGAV") });
    EXPECT_EQ(list.path(), image + QStringLiteral("/MPEGAV"));
    EXPECT_EQ(list.entries(), (QStringList { "a.dat", "AVSEQ01.DAT", "b.DAT" }));
    list.select(1);
    EXPECT_EQ(list.currentPath(), image + QStringLiteral("/MPEGAV/AVSEQ01.DAT"));

    // A new pattern lists the disc again; a disc gone by then lists nothing.
    answer = QStringList { "n.txt" };
    list.setPattern(QStringLiteral("*.TXT"));
    EXPECT_EQ(list.entries(), QStringList { "n.txt" });
    answer.reset();
    list.setPattern(QStringLiteral("*"));
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(asked.size(), 3);
}

TEST_F(DiscFolders, unreadableDiscFoldersFailAsMissingFoldersDo)
{
    touch(dir.filePath(QStringLiteral("a.dat")));
    FileListModel list;
    list.setPath(dir.path());
    const struct {
        QString path;
        bool asksLister;
    } cases[] = {
        { image + QStringLiteral("/NOSUCH"), true }, // the lister says no
        { image, true },
        { dir.filePath(QStringLiteral("gone.cue/MPEGAV")), false }, // no such image
        { dir.filePath(QStringLiteral("a.dat/MPEGAV")), false }, // not named like one
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        asked.clear();
        EXPECT_THROW(list.setPath(c.path), Failure);
        EXPECT_EQ(asked.size(), c.asksLister ? 1 : 0);
        EXPECT_EQ(list.path(), QDir(dir.path()).absolutePath());
        EXPECT_EQ(list.entries(), QStringList { "a.dat" });
    }
    // Without a lister no disc folder lists.
    setDiscFolderLister({});
    answer = QStringList { "x.dat" };
    EXPECT_THROW(list.setPath(image + QStringLiteral("/MPEGAV")), Failure);
}

TEST_F(DiscFolders, aFolderNamedLikeAnImageIsAFolder)
{
    const QString folder = dir.filePath(QStringLiteral("copy.iso"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/VIDEO_TS")));
    touch(folder + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"));
    FileListModel list;
    list.setPath(folder + QStringLiteral("/VIDEO_TS"));
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(list.entries(), QStringList { "VTS_01_1.VOB" });
}

} // namespace

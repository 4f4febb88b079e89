#include "browser/frmfolder.h"
#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "player/playerfrm.h"
#include "support/fake_player.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::FakeGraphFactory;
using veltrin::test::FakeMedia;

namespace {

QStringList trackNames(int entries)
{
    QStringList names;
    for (int i = 1; i <= entries; ++i)
        names << QStringLiteral("AVSEQ%1.DAT").arg(i, 2, 10, QChar(u'0'));
    return names;
}

// A play list of the given number of Video CD tracks.
struct ListPlayer : test::FakePlayer {
    explicit ListPlayer(int entries)
        : FakePlayer(trackNames(entries))
    {
    }
    QString entry(int i) const { return path(trackNames(i + 1).last()); }
};

TEST(TrackSequence, nextAndPreviousMoveWrapAndStop)
{
    struct Case {
        int entries, start;
        bool next;
        int expected; // -1: stopped on the start entry
    } cases[] = {
        { 3, 0, true, 1 }, { 3, 2, true, -1 }, // Next on the last entry only stops
        { 5, 0, false, 4 }, // Previous on the first wraps
        { 5, 3, false, 2 }, { 1, 0, true, -1 },
        { 1, 0, false, 0 }, // one entry: Previous restarts it
    };
    for (const auto& c : cases) {
        ListPlayer p(c.entries);
        p.in().File1.select(c.start);
        p.player->fncPlay();
        c.next ? p.player->NextTrack() : p.player->PrevTrack();
        if (c.expected < 0) {
            EXPECT_EQ(p.in().CurrentFile, QString()) << c.entries << c.start;
            EXPECT_EQ(p.in().File1.selectedIndex(), c.start);
            EXPECT_DOUBLE_EQ(p.graphs.graph()->position, 0);
        } else {
            EXPECT_EQ(p.in().File1.selectedIndex(), c.expected);
            EXPECT_EQ(p.in().CurrentFile, p.entry(c.expected));
            EXPECT_TRUE(p.graphs.graph()->running);
        }
    }
}

TEST(TrackSequence, trackChangeUpdatesTitleAppliesVolumeAndNamesTheBrowser)
{
    ListPlayer p(3);
    p.in().File1.select(1);
    p.player->Pause();
    p.player->fncPlay();
    p.player->Pause();
    p.in().V1->setValue(-300);
    p.player->NextTrack();
    auto g = p.graphs.graph();
    EXPECT_EQ(g->volume, -300);
    EXPECT_TRUE(g->running); // Next while paused plays the next entry
    EXPECT_EQ(p.in().Text4.get(), QStringLiteral("AVSEQ03.DAT"));
    EXPECT_EQ(p.in().lblDisplayCaption.get(), QStringLiteral("Zelto Veltrin Player :AVSEQ03.DAT"));
    ASSERT_TRUE(p.player->folderBrowser(false));
    EXPECT_EQ(p.player->folderBrowser(false)->windowTitle(),
        QStringLiteral("  Zelto VCD Playlist:AVSEQ03.DAT"));
    EXPECT_FALSE(p.player->folderBrowser(false)->isVisible());
}

TEST(TrackSequence, refusedVolumeEndsTheChangeAfterTheEntryStarts)
{
    ListPlayer p(2);
    p.graphs.media = [](const QString&) {
        FakeMedia m;
        m.audio = false;
        return std::optional<FakeMedia>(m);
    };
    p.in().File1.select(0);
    p.player->fncPlay();
    const QString caption = p.in().lblDisplayCaption.get();
    p.player->NextTrack();
    EXPECT_EQ(p.in().CurrentFile, p.entry(1));
    EXPECT_TRUE(p.graphs.graph()->running);
    EXPECT_EQ(p.in().Text4.get(), QString());
    EXPECT_EQ(p.in().lblDisplayCaption.get(), caption);
    EXPECT_FALSE(p.player->folderBrowser(false));
}

TEST(TrackSequence, withoutASelectedEntryNothingHappens)
{
    ListPlayer p(2);
    p.player->NextTrack();
    p.player->PrevTrack();
    EXPECT_EQ(p.graphs.created, 0);
}

TEST(TrackSequence, playListLoadEnablesFullScreen)
{
    ListPlayer p(1);
    EXPECT_FALSE(p.in().cmdFullscreen->Enabled());
    p.in().File1.select(0);
    p.player->fncPlay();
    EXPECT_TRUE(p.in().cmdFullscreen->Enabled());
}

QString writeList(const QTemporaryDir& dir, const QByteArray& bytes,
    const QString& name = QStringLiteral("list.pls"))
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

TEST(PlayListFile, linesEndWithAnyLineBreakAndLoseTrailingSpaces)
{
    ListPlayer p(2);
    const QString path = writeList(p.dir, "a.mpg   \r\nb.mpg\n\nc d.mpg \rlast.mpg");
    p.player->readPlayListFile(path);
    EXPECT_EQ(p.in().File1.entries(),
        (QStringList {
            "AVSEQ01.DAT", "AVSEQ02.DAT", "a.mpg", "b.mpg", "", "c d.mpg", "last.mpg" }));
    EXPECT_EQ(p.in().File1.selectedIndex(), -1); // reading selects nothing
}

TEST(PlayListFile, unreadableListsAddNothing)
{
    ListPlayer p(1);
    p.player->readPlayListFile(p.dir.filePath(QStringLiteral("missing.pls")));
    p.player->readPlayListFile(p.dir.path());
    p.player->readPlayListFile(QStringLiteral("/dev/zero"));
    p.player->readPlayListFile(writeList(p.dir, QByteArray()));
    EXPECT_EQ(p.in().File1.count(), 1);
}

TEST(CommandLine, playListPlaysItsFirstEntryOrTheCurrentOne)
{
    {
        ListPlayer p(2);
        const QString list = writeList(p.dir, "x.mpg\r\n/abs/y.mpg\r\n");
        p.player->Form_Load(list);
        EXPECT_EQ(p.in().CurrentFile, p.dir.path() + QStringLiteral("/x.mpg"));
        p.player->NextTrack();
        EXPECT_EQ(
            p.in().CurrentFile, QStringLiteral("/abs/y.mpg")); // an absolute line names its file
    }
    {
        // An entry already current (a disc track found at start-up) is the one opened.
        ListPlayer p(2);
        p.in().File1.select(1);
        p.in().CurrentFile = writeList(p.dir, "x.mpg\n");
        p.player->LoadCommFile();
        EXPECT_EQ(p.in().CurrentFile, p.entry(1));
    }
}

TEST(CommandLine, onlyLowerOrUpperPlsIsAPlayList)
{
    ListPlayer p(1);
    const QString mixed = writeList(p.dir, "AVSEQ01.DAT\n", QStringLiteral("list.Pls"));
    p.player->Form_Load(mixed);
    EXPECT_TRUE(p.graphs.log->contains(QStringLiteral("RenderFile ") + mixed));
    EXPECT_EQ(p.in().File1.entries(), QStringList { QStringLiteral("list.Pls") });
    const QString upper = writeList(p.dir, "AVSEQ01.DAT\n", QStringLiteral("LIST.PLS"));
    p.in().CurrentFile = upper;
    p.player->LoadCommFile();
    EXPECT_EQ(p.in().File1.count(), 2);
    EXPECT_EQ(p.in().CurrentFile, p.entry(0));
    EXPECT_EQ(p.in().File1.selectedIndex(), 1);
}

TEST(CommandLine, aSingleFileBecomesAOneEntryPlayList)
{
    // Names with wildcard and list characters, beside other media in the folder.
    for (const QString& name : { QStringLiteral("AVSEQ02.DAT"), QStringLiteral("a;b.mpg"),
             QStringLiteral("what?.mpg"), QStringLiteral("*.mpg") }) {
        ListPlayer p(3);
        const QString file = p.touch(name);
        p.player->Form_Load(file);
        EXPECT_EQ(p.in().File1.path(), p.dir.path()) << name.toStdString();
        EXPECT_EQ(p.in().File1.entries(), QStringList { name });
        EXPECT_EQ(p.in().File1.selectedIndex(), 0);
        EXPECT_EQ(p.in().CurrentFile, file);
        EXPECT_EQ(test::renderedPaths(p.log()), QStringList { file });
        EXPECT_TRUE(p.graphs.graph()->running);
        EXPECT_EQ(p.in().lblDisplayCaption.get(), QStringLiteral("Zelto Veltrin Player :") + name);
        EXPECT_TRUE(p.in().cmdFullscreen->Enabled());
        EXPECT_TRUE(p.in().mnuFullscreen->isEnabled());
    }
    {
        // A dropped file replaces what a play list had put there.
        ListPlayer p(2);
        p.player->Form_Load(writeList(p.dir, "AVSEQ01.DAT\nAVSEQ02.DAT\n"));
        p.player->control().openCommandLine(p.entry(1));
        EXPECT_EQ(p.in().File1.entries(), QStringList { QStringLiteral("AVSEQ02.DAT") });
        EXPECT_EQ(p.in().CurrentFile, p.entry(1));
    }
}

TEST(CommandLine, aFailedOpenSaysSoOnTheTitleLine)
{
    ListPlayer p(2);
    p.graphs.media = [](const QString& path) {
        return path.endsWith(QStringLiteral("bad.mpg"))
            ? std::nullopt
            : std::optional<test::FakeMedia>(test::FakeMedia {});
    };
    const QString bad = p.touch(QStringLiteral("bad.mpg"));
    p.player->Form_Load(bad);
    EXPECT_EQ(p.in().lblDisplayCaption.get(),
        QStringLiteral("Zelto Veltrin Player :cannot play bad.mpg"));
    p.player->fncPlay(); // Play tries again and fails again
    EXPECT_EQ(p.in().lblDisplayCaption.get(),
        QStringLiteral("Zelto Veltrin Player :cannot play bad.mpg"));
    // The next good open names its file plainly; a bad entry of a list is named too.
    p.player->control().openCommandLine(p.entry(0));
    EXPECT_EQ(p.in().lblDisplayCaption.get(), QStringLiteral("Zelto Veltrin Player :AVSEQ01.DAT"));
    p.player->control().openCommandLine(writeList(p.dir, "bad.mpg\n"));
    EXPECT_EQ(p.in().lblDisplayCaption.get(),
        QStringLiteral("Zelto Veltrin Player :cannot play bad.mpg"));
}

} // namespace

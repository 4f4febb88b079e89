#include "player/playerfrm_testpeer.h"
#include "player/playlistfile.h"
#include "support/fake_graph.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::FakeGraphFactory;
using veltrin::test::FakeMedia;
using veltrin::test::renderedPaths;

namespace {

// Bytes of a literal, NULs included.
template <std::size_t N> QByteArray bytes(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

// A list folder with the list and its media, and a separate folder that is
// the current one while the test runs: nothing may resolve against it.
struct Folders {
    QTemporaryDir root;
    QString lists = root.filePath(QStringLiteral("lists dir"));
    QString elsewhere = root.filePath(QStringLiteral("elsewhere"));
    QString previous = QDir::currentPath();

    Folders()
    {
        QDir().mkpath(lists + QStringLiteral("/sub"));
        QDir().mkpath(elsewhere);
        QDir::setCurrent(elsewhere);
    }
    ~Folders() { QDir::setCurrent(previous); }

    QString write(const QString& name, const QByteArray& bytes) const
    {
        const QString path = lists + u'/' + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    QString in(const QString& name) const { return lists + u'/' + name; }
};

} // namespace

namespace veltrin {
void PrintTo(const PlayListEntry& e, std::ostream* os)
{
    *os << '{' << e.name.toStdString() << " -> " << e.path.toStdString() << '}';
}
} // namespace veltrin

namespace {

struct Expected {
    QString name;
    QString path; // relative to the list's folder unless it starts with "/"
};

QList<PlayListEntry> resolve(const Folders& f, const QList<Expected>& expected)
{
    QList<PlayListEntry> out;
    for (const Expected& e : expected)
        out << PlayListEntry { e.name, e.path.startsWith(u'/') ? e.path : f.in(e.path) };
    return out;
}

TEST(PlayListFormats, entriesLiveInTheListsFolderWhateverFolderIsCurrent)
{
    const QString aumlaut = QStringLiteral("n\u00e4me \u6f22.mpg");
    struct Case {
        const char* label;
        QString file;
        QByteArray bytes;
        QList<Expected> expected;
    } cases[] = {
        { "one name a line", QStringLiteral("names.pls"),
            "a b.mpg  \r\nsemi;colon.mpg\r\nstar*.mpg\nq?.mpg\r" + aumlaut.toUtf8()
                + "\r\n\r\n/abs/x.mpg\r\nmissing.mpg",
            { { "a b.mpg", "a b.mpg" }, { "semi;colon.mpg", "semi;colon.mpg" },
                { "star*.mpg", "star*.mpg" }, { "q?.mpg", "q?.mpg" }, { aumlaut, aumlaut },
                { "", "" }, { "/abs/x.mpg", "/abs/x.mpg" }, { "missing.mpg", "missing.mpg" } } },
        // Latin-1 bytes in a list that is not UTF-8 are characters of their own.
        { "8-bit names", QStringLiteral("latin.pls"), "caf\xe9.mpg\r\n",
            { { QStringLiteral("caf\u00e9.mpg"), QStringLiteral("caf\u00e9.mpg") } } },
        { "PLS with gaps in its numbering", QStringLiteral("gaps.pls"),
            "\r\n  [Playlist]\r\nNumberOfEntries=4\r\nfile3=c;d.mpg\r\nFile1 = a b.mpg \r\n"
            "Title1=Not a file\r\nFILE10=http://example.org/stream.mp3\r\n"
            "File7=sub/q?.mpg\r\nLength1=-1\r\nFile=bare.mpg\r\nFilex=x.mpg\r\n"
            "File12="
                + aumlaut.toUtf8() + "\r\nFile20=/abs/y.mpg\r\nVersion=2\r\n",
            { { "a b.mpg", "a b.mpg" }, { "c;d.mpg", "c;d.mpg" }, { "sub/q?.mpg", "sub/q?.mpg" },
                { aumlaut, aumlaut }, { "/abs/y.mpg", "/abs/y.mpg" } } },
        // The header decides, not the name; a later section's keys are not entries.
        { "PLS named .m3u", QStringLiteral("ini.m3u"),
            "[playlist]\nFile2=two.mpg\nFile1=one.mpg\n[other]\nFile3=three.mpg\n",
            { { "one.mpg", "one.mpg" }, { "two.mpg", "two.mpg" } } },
        { "M3U", QStringLiteral("list.m3u"),
            "#EXTM3U\r\n#EXTINF:10,Some title\r\nstar*.mpg\r\n\r\n  semi;colon.mpg  \r\n"
            "http://example.org/a.mp3\r\nfile:///abs/n%C3%A4me%20x.mpg\r\n"
            "file://otherhost/x.mpg\r\nsub/missing.mpg\r\n# a comment.mpg\r\n",
            { { "star*.mpg", "star*.mpg" }, { "semi;colon.mpg", "semi;colon.mpg" },
                { QStringLiteral("/abs/n\u00e4me x.mpg"), QStringLiteral("/abs/n\u00e4me x.mpg") },
                { "sub/missing.mpg", "sub/missing.mpg" } } },
        { "M3U8 is UTF-8", QStringLiteral("LIST.M3U8"),
            "\xef\xbb\xbf#EXTM3U\n" + aumlaut.toUtf8() + "\nfile://localhost/abs/z.mpg\n",
            { { aumlaut, aumlaut }, { "/abs/z.mpg", "/abs/z.mpg" } } },
        { "NUL lines are no entries", QStringLiteral("nul.pls"),
            bytes("a.mpg\r\nb\0c.mpg\r\nd.mpg\r\n"),
            { { "a.mpg", "a.mpg" }, { "d.mpg", "d.mpg" } } },
        { "NUL lines in M3U", QStringLiteral("nul.m3u"), bytes("a.mpg\n\0\nd.mpg\n"),
            { { "a.mpg", "a.mpg" }, { "d.mpg", "d.mpg" } } },
        { "NUL values in PLS", QStringLiteral("nul-ini.pls"),
            bytes("[playlist]\nFile1=a\0.mpg\nFile2=d.mpg\n"), { { "d.mpg", "d.mpg" } } },
    };
    for (const Case& c : cases) {
        Folders f;
        const QString path = f.write(c.file, c.bytes);
        EXPECT_EQ(readPlayList(path), resolve(f, c.expected)) << c.label;
        // Named relative to the current folder, the list is found there and
        // its entries still live beside it.
        const QString relative = QStringLiteral("../lists dir/") + c.file;
        EXPECT_EQ(readPlayList(relative), resolve(f, c.expected)) << c.label << " (relative)";
    }
}

TEST(PlayListFormats, aListIsNamedPlsM3uOrM3u8InOneCase)
{
    const struct {
        const char* name;
        bool list;
    } cases[] = {
        { "a.pls", true },
        { "a.PLS", true },
        { "a.m3u", true },
        { "/x y/A.M3U", true },
        { "a.m3u8", true },
        { "a.M3U8", true },
        { "a.Pls", false },
        { "a.m3U8", false },
        { "a.m3u8.mpg", false },
        { "a.mpg", false },
        { "pls", false },
        { "", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(isPlayListName(QString::fromLatin1(c.name)), c.list) << c.name;
}

QByteArray manyEntries(const char* header, const char* line, int count)
{
    QByteArray bytes(header);
    for (int i = 1; i <= count; ++i)
        bytes += QByteArray(line).replace("%", QByteArray::number(i)) + "\r\n";
    return bytes;
}

TEST(PlayListFormats, twentyThousandEntriesAreReadWhole)
{
    const struct {
        const char* file;
        QByteArray bytes;
    } cases[] = {
        { "many.pls", manyEntries("", "track %.mpg", 20000) },
        { "many-ini.pls",
            manyEntries("[playlist]\r\nNumberOfEntries=20000\r\n", "File%=track %.mpg", 20000) },
        { "many.m3u8", manyEntries("#EXTM3U\r\n", "track %.mpg", 20000) },
    };
    for (const auto& c : cases) {
        Folders f;
        const QList<PlayListEntry> entries
            = readPlayList(f.write(QString::fromLatin1(c.file), c.bytes));
        ASSERT_EQ(entries.size(), 20000) << c.file;
        EXPECT_EQ(entries.front().path, f.in(QStringLiteral("track 1.mpg"))) << c.file;
        EXPECT_EQ(entries.back().path, f.in(QStringLiteral("track 20000.mpg"))) << c.file;
    }
}

TEST(PlayListFormats, oversizedListsStopAtTheBounds)
{
    Folders f;
    // More lines than a list holds: the rest is not read.
    const QList<PlayListEntry> lines = readPlayList(
        f.write(QStringLiteral("long.pls"), QByteArray(kMaxPlayListLines + 50, '\n')));
    EXPECT_EQ(lines.size(), kMaxPlayListLines);
    // More bytes than are read: the entry past the bound is never seen.
    QByteArray big(kMaxPlayListBytes - 4, '#');
    big += "\nabcdef\nfar.mpg\n";
    const QList<PlayListEntry> bounded = readPlayList(f.write(QStringLiteral("big.m3u"), big));
    ASSERT_EQ(bounded.size(), 1);
    EXPECT_EQ(bounded.front().name, QStringLiteral("abc"));
}

// The player itself, started with a list on its command line while its own
// play list folder and the current folder are both somewhere else.
struct ListPlayer {
    Folders f;
    QTemporaryDir own;
    FakeGraphFactory graphs;
    std::unique_ptr<playerfrm> player;

    ListPlayer()
    {
        for (const char* n : { "a b.mpg", "c;d.mpg", "sub/q?.mpg", "star*.mpg" }) {
            QFile m(f.in(QString::fromLatin1(n)));
            m.open(QIODevice::WriteOnly);
        }
        QFile(own.filePath(QStringLiteral("OWN.DAT"))).open(QIODevice::WriteOnly);
        // Only files that exist render, as with the real graph.
        graphs.media = [](const QString& path) {
            return QFileInfo(path).isFile() ? std::optional<FakeMedia>(FakeMedia {}) : std::nullopt;
        };
        PlayerOptions o;
        o.graphFactory = graphs.factory();
        o.useTray = false;
        o.mountTable = own.filePath(QStringLiteral("no-mounts"));
        player = std::make_unique<playerfrm>(o);
        PlayerTestPeer(*player).File1.setPath(own.path());
    }
};

TEST(PlayListOnTheCommandLine, everyFormatPlaysFromItsOwnFolderInOrder)
{
    const struct {
        const char* file;
        QByteArray bytes;
    } cases[] = {
        { "list.pls", "a b.mpg\r\nmissing.mpg\r\nsub/q?.mpg\r\n" },
        { "LIST.PLS", "[playlist]\nFile9=sub/q?.mpg\nFile1=a b.mpg\nFile4=missing.mpg\n" },
        { "list.m3u", "#EXTM3U\na b.mpg\nhttp://example.org/x.mp3\nmissing.mpg\nsub/q?.mpg\n" },
        { "list.m3u8", "a b.mpg\nmissing.mpg\n@URL\n" },
    };
    for (const auto& c : cases) {
        ListPlayer p;
        const QString third = p.f.in(QStringLiteral("sub/q?.mpg"));
        const bool byUrl = c.bytes.contains("@URL");
        const QString list = p.f.write(QString::fromLatin1(c.file),
            QByteArray(c.bytes).replace("@URL", QUrl::fromLocalFile(third).toEncoded()));
        p.player->Form_Load(list);
        EXPECT_EQ(PlayerTestPeer(*p.player).File1.count(), 4)
            << c.file; // OWN.DAT and three entries
        EXPECT_EQ(PlayerTestPeer(*p.player).File1.selectedIndex(), 1) << c.file;
        EXPECT_EQ(PlayerTestPeer(*p.player).CurrentFile, p.f.in(QStringLiteral("a b.mpg")))
            << c.file;
        EXPECT_TRUE(p.graphs.graph()->running) << c.file;
        // A missing entry is opened anyway; it simply fails to render.
        p.player->NextTrack();
        EXPECT_EQ(PlayerTestPeer(*p.player).CurrentFile, p.f.in(QStringLiteral("missing.mpg")))
            << c.file;
        EXPECT_EQ(renderedPaths(*p.graphs.log).last(), PlayerTestPeer(*p.player).CurrentFile)
            << c.file;
        p.player->NextTrack();
        EXPECT_EQ(PlayerTestPeer(*p.player).CurrentFile, third) << c.file;
        EXPECT_TRUE(p.graphs.graph()->running) << c.file;
        // The list's own words name the entry; the title shows the file name.
        EXPECT_EQ(PlayerTestPeer(*p.player).File1.currentName(),
            byUrl ? third : QStringLiteral("sub/q?.mpg"))
            << c.file;
        EXPECT_EQ(PlayerTestPeer(*p.player).lblDisplayCaption.get(),
            QStringLiteral("Zelto Veltrin Player :q?.mpg"))
            << c.file;
        // Wrapping back lands on the folder's own file, which lives in its folder.
        p.player->NextTrack();
        p.player->PrevTrack();
        p.player->PrevTrack();
        p.player->PrevTrack();
        EXPECT_EQ(PlayerTestPeer(*p.player).CurrentFile, p.own.filePath(QStringLiteral("OWN.DAT")))
            << c.file;
    }
}

TEST(PlayListOnTheCommandLine, aNulLineAddsNoEntry)
{
    ListPlayer p;
    // Cut at its NUL the line would name "a b.mpg", which exists.
    const QString list = p.f.write(QStringLiteral("nul.pls"), bytes("a b.mpg\0x\r\n"));
    p.player->Form_Load(list);
    EXPECT_EQ(PlayerTestPeer(*p.player).File1.count(), 1);
    EXPECT_EQ(renderedPaths(*p.graphs.log), QStringList { p.own.path() + u'/' });
}

} // namespace

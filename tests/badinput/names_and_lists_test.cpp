// Hostile names, paths beyond the system's limit, huge and vanishing lists,
// and unreadable files, handed to the real player.
#include "player_run.h"
#include "support/media.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <climits>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace veltrin::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Whether a user other than the owner can reach and start the program.
bool othersCanRun(const QByteArray& program)
{
    struct stat st { };
    if (::stat(program.constData(), &st) != 0 || !(st.st_mode & S_IXOTH))
        return false;
    for (QByteArray dir = program; dir.lastIndexOf('/') > 0;) {
        dir.truncate(dir.lastIndexOf('/'));
        if (::stat(dir.constData(), &st) != 0 || !(st.st_mode & S_IXOTH))
            return false;
    }
    return true;
}

class Names : public ::testing::Test {
protected:
    QByteArray path(const QByteArray& name) const
    {
        return QFile::encodeName(dir.path()) + '/' + name;
    }
    QTemporaryDir dir;
};

// Each name holds a real clip; the ones the command line can carry are opened.
TEST_F(Names, awkwardNamesOnTheCommandLineAreOpened)
{
    const QByteArray clip = readAll(clipPath(Clip::Mpg, 1));
    ASSERT_FALSE(clip.isEmpty());
    // The player removes double quotes, so that name is not found. Names that
    // are not UTF-8 are decoded lossily by Qt, so they cannot be reached
    // either: for them only robustness is checked.
    enum Expect { Opened, NotOpened, Either };
    struct Case {
        QByteArray name;
        Expect expect;
    } cases[] = {
        { "with  two spaces .mpg", Opened },
        { "new\nline.mpg", Opened },
        { "-leading-dash.mpg", Opened },
        { "--gst-debug=9.mpg", Opened },
        { "$(touch pwned); `id` | & > < * ? ' ! # ~.mpg", Opened },
        { "tab\there.mpg", Opened },
        { "say \"hi\".mpg", NotOpened },
        { "caf\xc3\xa9 \xe2\x99\xab.mpg", Opened },
        { "latin1-caf\xe9.mpg", Either },
        { "\xff\xfe broken utf8.mpg", Either },
    };
    RunList runs;
    std::map<const PlayerRun*, std::pair<QByteArray, Expect>> expected;
    for (const Case& c : cases) {
        ASSERT_TRUE(writeBytes(path(c.name), clip));
        runs.push_back(std::make_unique<PlayerRun>(
            QString::fromLocal8Bit(c.name.toPercentEncoding()), std::vector { path(c.name) }));
        expected[runs.back().get()] = { path(c.name), c.expect };
    }
    // Relative, from the clip's folder: a name starting with a dash stays a name.
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("relative -leading-dash.mpg"),
        std::vector<QByteArray> { "-leading-dash.mpg" }, path("")));
    expected[runs.back().get()] = { path("-leading-dash.mpg"), Opened };

    expectSurvives(runs, 4, [&](PlayerRun& r) {
        const auto& [file, expect] = expected[&r];
        const bool open = r.holdsOpen(file);
        if (expect == Opened && !open)
            r.fail(QStringLiteral("the clip was not opened"));
        if (expect == NotOpened && open)
            r.fail(QStringLiteral("a name with its quotes kept was opened"));
    });
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("pwned"))));
}

TEST_F(Names, awkwardNamesInAPlayList)
{
    const QByteArray clip = readAll(clipPath(Clip::Mpg, 1));
    QByteArray list;
    for (const QByteArray& name :
        { QByteArray("-dash.mpg"), QByteArray("$(touch pwned);`id`.mpg"), QByteArray("caf\xe9.mpg"),
            QByteArray("\xff\xfe.mpg"), QByteArray("  spaces  .mpg") }) {
        ASSERT_TRUE(writeBytes(path(name), clip));
        list += name + "\r\n";
    }
    ASSERT_TRUE(writeBytes(path("names.pls"), list));
    RunList runs;
    runs.push_back(std::make_unique<PlayerRun>(
        QStringLiteral("names.pls"), std::vector<QByteArray> { "names.pls" }, path("")));
    expectSurvives(runs, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("pwned"))));
}

// A path longer than PATH_MAX, built one folder at a time, with a real clip
// at its end; single names longer than NAME_MAX.
TEST_F(Names, pathsBeyondTheSystemLimit)
{
    const QByteArray clip = readAll(clipPath(Clip::Mpg, 1));
    const QByteArray component(200, 'd');
    QByteArray deep = path("");
    int fd = ::open(deep.constData(), O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    while (deep.size() < PATH_MAX + 500) {
        ASSERT_EQ(::mkdirat(fd, component.constData(), 0700), 0);
        const int next = ::openat(fd, component.constData(), O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
        deep += component + '/';
    }
    for (const char* name : { "deep.mpg", "deep.pls" }) {
        const int file = ::openat(fd, name, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(file, 0);
        const QByteArray content
            = QByteArray(name).endsWith(".pls") ? QByteArray("deep.mpg\r\n") : clip;
        ASSERT_EQ(::write(file, content.constData(), content.size()), content.size());
        ::close(file);
    }
    ::close(fd);
    // QTemporaryDir cannot remove a tree deeper than PATH_MAX; rm works relative.
    struct RemoveDeep {
        QString top;
        ~RemoveDeep() { QProcess::execute(QStringLiteral("rm"), { QStringLiteral("-rf"), top }); }
    } removeDeep { dir.filePath(QString::fromLatin1(component)) };

    const QByteArray longName = QByteArray(300, 'n') + ".mpg";
    ASSERT_TRUE(writeBytes(path("list.pls"), longName + "\r\n" + QByteArray(8000, 'x') + "\r\n"));

    RunList runs;
    runs.push_back(std::make_unique<PlayerRun>(
        QStringLiteral("clip beyond PATH_MAX"), std::vector<QByteArray> { deep + "deep.mpg" }));
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("play list beyond PATH_MAX"),
        std::vector<QByteArray> { deep + "deep.pls" }));
    runs.push_back(std::make_unique<PlayerRun>(
        QStringLiteral("name beyond NAME_MAX"), std::vector { path(longName) }));
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("64 KiB argument"),
        std::vector<QByteArray> { QByteArray(64 * 1024, 'a') + ".pls" }));
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("play list of overlong lines"),
        std::vector<QByteArray> { "list.pls" }, path("")));
    // Many arguments are joined into one name that does not exist.
    std::vector<QByteArray> many(2000, QByteArray("arg"));
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("2000 arguments"), many));
    expectSurvives(runs, 6);
}

TEST_F(Names, folderOf5000MatchingFilesAndTheirPlayList)
{
    // Hard links: 5,000 entries of one short clip, no disc space used.
    const QByteArray clip = QFile::encodeName(clipPath(Clip::VcdDat, 1));
    QByteArray list;
    for (int i = 0; i < 5000; ++i) {
        const QByteArray name = "AVSEQ" + QByteArray::number(i).rightJustified(4, '0') + ".DAT";
        if (::link(clip.constData(), path(name).constData()) != 0) {
            ASSERT_TRUE(writeBytes(path(name), readAll(QFile::decodeName(clip))));
        }
        list += name + "\r\n";
    }
    ASSERT_TRUE(writeBytes(path("all.pls"), list));
    RunList runs;
    runs.push_back(std::make_unique<PlayerRun>(
        QStringLiteral("5000 entries"), std::vector<QByteArray> { "all.pls" }, path("")));
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("5000 folder entries, one opened"),
        std::vector<QByteArray> { "AVSEQ4999.DAT" }, path("")));
    expectSurvives(runs, 2);
}

TEST_F(Names, playListOf20000Lines)
{
    QByteArray missing, mixed;
    for (int i = 0; i < 20000; ++i) {
        missing += "missing" + QByteArray::number(i) + ".mpg\r\n";
        mixed += (i % 3 == 0          ? QByteArray("")
                         : i % 3 == 1 ? QByteArray("/dev/zero")
                                      : QByteArray(".."))
            + "\n";
    }
    ASSERT_TRUE(writeBytes(path("missing.pls"), missing));
    ASSERT_TRUE(writeBytes(path("mixed.pls"), mixed));
    RunList runs;
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("20000 missing entries"),
        std::vector<QByteArray> { "missing.pls" }, path("")));
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("20000 strange entries"),
        std::vector<QByteArray> { "mixed.pls" }, path("")));
    expectSurvives(runs, 2);
}

// The folder of the play list disappears while its first clip plays.
TEST_F(Names, folderVanishesDuringPlay)
{
    const QString folder = dir.filePath(QStringLiteral("vanishing"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QByteArray list;
    for (int i = 0; i < 4; ++i) {
        // Two seconds: the first ends within the probing and the next is gone.
        copyClip(Clip::Mpg, folder, QStringLiteral("clip%1.mpg").arg(i), 2);
        list += "clip" + QByteArray::number(i) + ".mpg\r\n";
    }
    ASSERT_TRUE(writeBytes(QFile::encodeName(folder) + "/list.pls", list));
    RunList runs;
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("vanishing folder"),
        std::vector<QByteArray> { "list.pls" }, QFile::encodeName(folder)));
    expectSurvives(runs, 1, [&](PlayerRun&) { EXPECT_TRUE(QDir(folder).removeRecursively()); });
    EXPECT_FALSE(QDir(folder).exists());
}

TEST_F(Names, unreadableFilesAndFolders)
{
    const QByteArray clip = readAll(clipPath(Clip::Mpg, 1));
    ASSERT_TRUE(writeBytes(path("locked.mpg"), clip));
    ASSERT_TRUE(writeBytes(path("locked.pls"), "locked.mpg\r\n"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("locked")));
    ASSERT_TRUE(writeBytes(path("locked/inside.mpg"), clip));
    // Searchable but not listable: the player can start there.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("noread")));
    ASSERT_TRUE(writeBytes(path("noread/inside.mpg"), clip));
    // Root reads everything: then the player runs as an ordinary user.
    const bool root = ::geteuid() == 0;
    constexpr uid_t kNobody = 65534;
    // The build tree may sit where that user cannot reach: a copy beside the
    // test's files can be.
    const QByteArray program = path("veltrin");
    if (root) {
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELTRIN_BINARY), QFile::decodeName(program)));
    }
    if (root && !(QFile::exists(QStringLiteral("/usr/bin/setpriv")) && othersCanRun(program))) {
        GTEST_SKIP() << "running as root, and no way to start the program as an ordinary user";
    }
    ASSERT_EQ(::chmod(path("noread").constData(), root ? 0111 : 0100), 0);
    for (const char* name : { "locked.mpg", "locked.pls" })
        ASSERT_EQ(::chmod(path(name).constData(), 0), 0);
    ASSERT_EQ(::chmod(path("locked").constData(), 0), 0);
    RunList runs;
    runs.push_back(std::make_unique<PlayerRun>(
        QStringLiteral("unreadable clip"), std::vector { path("locked.mpg") }));
    runs.push_back(std::make_unique<PlayerRun>(
        QStringLiteral("unreadable play list"), std::vector { path("locked.pls") }));
    runs.push_back(std::make_unique<PlayerRun>(
        QStringLiteral("clip in unreadable folder"), std::vector { path("locked/inside.mpg") }));
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("unlistable current folder"),
        std::vector<QByteArray> { "inside.mpg" }, path("noread")));
    if (root) {
        for (auto& r : runs)
            r->runAs(kNobody, program);
    }
    const auto runsAsUser = [&](PlayerRun& r) {
        QFile status(QStringLiteral("/proc/%1/status").arg(r.pid()));
        ASSERT_TRUE(status.open(QIODevice::ReadOnly));
        const QByteArray uid = QByteArray::number(root ? kNobody : ::getuid());
        EXPECT_TRUE(status.readAll().contains("\nUid:\t" + uid + '\t')) << r.label().toStdString();
    };
    expectSurvives(runs, 4, {}, runsAsUser);
    ::chmod(path("locked").constData(), 0700);
    ::chmod(path("noread").constData(), 0700);
}

} // namespace

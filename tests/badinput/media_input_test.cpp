// The real player handed broken media, special files and hostile names on
// its command line, in play lists and as folder entries: it must keep its
// event loop answering, show no other window, print nothing and end cleanly.
#include "player_run.h"
#include "support/media.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace veltrin::test;

namespace {

constexpr Clip kContainers[] = { Clip::VcdDat, Clip::Vob, Clip::Mpg, Clip::Avi, Clip::Mp3,
    Clip::Asf, Clip::Wma, Clip::Mov, Clip::Mp4 };

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray extension(Clip c)
{
    return QByteArray(clipInfo(c).extension);
}

class BadInput : public ::testing::Test {
protected:
    QByteArray path(const QByteArray& name) const
    {
        return QFile::encodeName(dir.path()) + '/' + name;
    }

    // Writes a damaged copy of each container's clip and queues a run that
    // opens it from the command line.
    void addDamaged(
        RunList& runs, const char* kind, const std::function<QByteArray(const QByteArray&)>& damage)
    {
        for (Clip c : kContainers) {
            const QByteArray clip = readAll(clipPath(c, 1));
            ASSERT_FALSE(clip.isEmpty());
            const QByteArray name = kind + QByteArray(".") + extension(c);
            ASSERT_TRUE(writeBytes(path(name), damage(clip)));
            runs.push_back(std::make_unique<PlayerRun>(
                QString::fromLatin1(name), std::vector<QByteArray> { path(name) }));
        }
    }

    QTemporaryDir dir;
};

TEST_F(BadInput, emptyAndTruncatedFilesOfEveryContainer)
{
    RunList runs;
    addDamaged(runs, "empty", [](const QByteArray&) { return QByteArray(); });
    addDamaged(runs, "header-only", [](const QByteArray& b) { return b.left(300); });
    // Cut mid-stream: it prerolls and plays into a sudden end.
    addDamaged(runs, "truncated", [](const QByteArray& b) { return b.left(b.size() * 2 / 5); });
    expectSurvives(runs, 9);
}

TEST_F(BadInput, corruptedFilesOfEveryContainer)
{
    RunList runs;
    // Headers and indexes damaged: every seventh byte of the first 4 KiB flipped.
    addDamaged(runs, "bad-header", [](QByteArray b) {
        for (qsizetype i = 0; i < std::min<qsizetype>(b.size(), 4096); i += 7)
            b[i] = static_cast<char>(~b[i]);
        return b;
    });
    // Payload damaged: one byte in 150 flipped, the header left alone.
    addDamaged(runs, "bad-payload", [](QByteArray b) {
        const QByteArray noise = randomBytes(b.size(), 7);
        for (qsizetype i = 4096; i < b.size(); ++i) {
            if (static_cast<quint8>(noise[i]) < 2)
                b[i] = static_cast<char>(b[i] ^ noise[i - 1]);
        }
        return b;
    });
    expectSurvives(runs, 6);
}

TEST_F(BadInput, textAndRandomBytesBehindMediaNames)
{
    RunList runs;
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "This is not a film, line " + QByteArray::number(i) + "\n";
    addDamaged(runs, "text", [&](const QByteArray&) { return text; });
    addDamaged(runs, "random", [](const QByteArray& b) { return randomBytes(b.size() / 4, 11); });
    expectSurvives(runs, 9);
}

// FIFOs, devices, sockets, folders and broken links named like media and
// like play lists, given on the command line.
TEST_F(BadInput, specialFilesOnTheCommandLine)
{
    ASSERT_TRUE(makeFifo(path("fifo.mpg")));
    ASSERT_TRUE(makeFifo(path("fifo.pls")));
    ASSERT_TRUE(makeSocketFile(path("socket.mpg")));
    ASSERT_TRUE(makeSocketFile(path("socket.pls")));
    ASSERT_TRUE(makeSymlink("/dev/zero", path("zero.mpg")));
    ASSERT_TRUE(makeSymlink("/dev/zero", path("zero.pls")));
    ASSERT_TRUE(makeSymlink("/dev/urandom", path("urandom.PLS")));
    ASSERT_TRUE(makeSymlink(path("nowhere.mpg"), path("dangling.mpg")));
    ASSERT_TRUE(makeSymlink(path("nowhere.pls"), path("dangling.pls")));
    ASSERT_TRUE(makeSymlink(path("loop.mpg"), path("loop.mpg")));
    ASSERT_TRUE(makeSymlink(path("loop-b.pls"), path("loop-a.pls")));
    ASSERT_TRUE(makeSymlink(path("loop-a.pls"), path("loop-b.pls")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.mpg")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.pls")));

    RunList runs;
    for (const QByteArray& arg : { path("fifo.mpg"), path("fifo.pls"), path("socket.mpg"),
             path("socket.pls"), path("zero.mpg"), path("zero.pls"), path("urandom.PLS"),
             path("dangling.mpg"), path("dangling.pls"), path("loop.mpg"), path("loop-a.pls"),
             path("folder.mpg"), path("folder.pls"), QByteArray("/dev/zero"),
             QByteArray("/dev/null"), QByteArray("/dev/stdin"), QByteArray("/proc/self/mem") })
        runs.push_back(
            std::make_unique<PlayerRun>(QString::fromLocal8Bit(arg), std::vector { arg }));
    expectSurvives(runs, 9);
}

// The same entries as names of the folder File1 lists and as lines of a play
// list read from there; a real clip ends the list.
TEST_F(BadInput, specialFilesInAPlayListAndAsFolderEntries)
{
    ASSERT_TRUE(makeFifo(path("fifo.DAT")));
    ASSERT_TRUE(makeSocketFile(path("socket.vob")));
    ASSERT_TRUE(makeSymlink("/dev/zero", path("zero.DAT")));
    ASSERT_TRUE(makeSymlink("/dev/null", path("null.vob")));
    ASSERT_TRUE(makeSymlink(path("nowhere.DAT"), path("dangling.DAT")));
    ASSERT_TRUE(makeSymlink(path("loop.vob"), path("loop.vob")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.DAT")));
    ASSERT_TRUE(makeFifo(path("nested.pls")));
    const QByteArray lines = "fifo.DAT\r\nsocket.vob\r\nzero.DAT\r\nnull.vob\r\ndangling.DAT\r\n"
                             "loop.vob\r\nfolder.DAT\r\nnested.pls\r\n\r\nmissing.DAT\r\n"
                             "/dev/zero\r\n/dev/null\r\n../\r\n.\r\n";
    ASSERT_TRUE(writeBytes(path("list.pls"), lines));

    RunList runs;
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("list.pls in the folder"),
        std::vector<QByteArray> { "list.pls" }, path("")));
    runs.push_back(std::make_unique<PlayerRun>(QStringLiteral("list.pls from elsewhere"),
        std::vector<QByteArray> { path("list.pls") }, QByteArray("/")));
    expectSurvives(runs, 2);
}

} // namespace

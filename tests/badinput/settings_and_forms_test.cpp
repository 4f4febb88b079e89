// The settings file and the form files: missing, empty, binary, huge, or
// pointing at FIFOs, devices and folders.
#include "player/playerfrm.h"
#include "player_run.h"
#include "runtime/propertybag.h"
#include "support/media.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <unistd.h>

using namespace veltrin::test;

namespace {

QByteArray enc(const QString& s)
{
    return QFile::encodeName(s);
}

// A track change creates the folder browser, which reads the saved folder: a
// play list of two short clips makes one within the probing time. Each run
// gets the settings file its case writes.
TEST(Settings, strangeSettingsFilesDoNotStopThePlayer)
{
    QTemporaryDir media;
    // Two seconds: a track shorter than one second shows a total of 00:00:00
    // and never ends by the elapsed-equals-total rule.
    const QString second = copyClip(Clip::Mpg, media.path(), QStringLiteral("b.mpg"), 2);
    copyClip(Clip::Mpg, media.path(), QStringLiteral("a.mpg"), 2);
    ASSERT_TRUE(writeBytes(enc(media.filePath(QStringLiteral("ab.pls"))), "a.mpg\r\nb.mpg\r\n"));
    QTemporaryDir strange;
    const QByteArray fifo = enc(strange.filePath(QStringLiteral("fifo")));
    ASSERT_TRUE(makeFifo(fifo));

    struct Case {
        const char* label;
        std::function<bool(const QByteArray& conf)> make;
    };
    auto content = [](QByteArray bytes) {
        return [bytes](const QByteArray& conf) { return writeBytes(conf, bytes); };
    };
    const Case cases[] = {
        { "missing", [](const QByteArray&) { return true; } },
        { "empty", content({}) },
        { "binary", content(randomBytes(64 * 1024, 3)) },
        { "huge", content("[Settings]\nDir=/tmp\n" + QByteArray(32 << 20, 'x') + "\n") },
        { "Dir is a FIFO", content("[Settings]\nDir=" + fifo + "\n") },
        { "Dir is /dev/zero", content("[Settings]\nDir=/dev/zero\n") },
        { "Dir is a huge string", content("[Settings]\nDir=" + QByteArray(4 << 20, 'd') + "\n") },
        { "Dir is not text", content("[Settings]\nDir=@ByteArray(\\0\\xff)\n") },
        { "file is a FIFO", [](const QByteArray& conf) { return makeFifo(conf); } },
        { "file is /dev/zero",
            [](const QByteArray& conf) { return makeSymlink("/dev/zero", conf); } },
        { "file is a folder",
            [](const QByteArray& conf) { return QDir().mkpath(QFile::decodeName(conf)); } },
        { "file is a dangling link",
            [&](const QByteArray& conf) {
                return makeSymlink(enc(strange.filePath(QStringLiteral("nowhere"))), conf);
            } },
    };
    RunList runs;
    for (const Case& c : cases) {
        auto run = std::make_unique<PlayerRun>(
            QString::fromLatin1(c.label), std::vector<QByteArray> { "ab.pls" }, enc(media.path()));
        ASSERT_TRUE(c.make(enc(run->settingsFolder() + QStringLiteral("/Veltrin.conf"))))
            << c.label;
        runs.push_back(std::move(run));
    }
    // The track change opens the next file on the GUI thread (a bounded,
    // synchronous open) and builds the browser window: answers may wait for
    // that, a blocked read of the settings would hold them for good.
    ProbeLimits limits;
    limits.answerMs = 1500;
    // The second clip open means the track changed and the browser was made.
    // The end-of-track rule sometimes misses a track's end on a loaded machine,
    // so one run that stays on its first track does not fail the case; all of
    // them doing so would mean the settings were never read.
    int changed = 0;
    expectSurvives(
        runs, 4, {},
        [&](PlayerRun& r) {
            changed += waitUntil([&] { return r.holdsOpen(enc(second)); }, 10000);
        },
        limits);
    EXPECT_GT(changed, 0) << "no run changed track, so none read its settings";
}

// Reads the form file on another thread, so a read that blocks fails the test
// instead of hanging it; a blocked FIFO read is released by opening its far end.
std::optional<veltrin::FormFile> loadWithin(const QString& path, int boundMs)
{
    auto task = std::async(std::launch::async, [path] { return veltrin::FormFile::load(path); });
    if (task.wait_for(std::chrono::milliseconds(boundMs)) == std::future_status::ready)
        return task.get();
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    task.wait();
    return std::nullopt;
}

TEST(FormFiles, strangePathsReadAsEmptyFormsWithoutBlocking)
{
    QTemporaryDir dir;
    auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    ASSERT_TRUE(writeBytes(enc(at("empty.form")), {}));
    ASSERT_TRUE(writeBytes(enc(at("huge.form")),
        "[H1]\nMax = 5\n" + QByteArray(veltrin::FormFile::kMaxBytes + 1, ';')));
    ASSERT_TRUE(makeFifo(enc(at("fifo.form"))));
    ASSERT_TRUE(makeSocketFile(enc(at("socket.form"))));
    ASSERT_TRUE(makeSymlink("/dev/zero", enc(at("zero.form"))));
    ASSERT_TRUE(makeSymlink("/dev/urandom", enc(at("urandom.form"))));
    ASSERT_TRUE(makeSymlink(enc(at("loop.form")), enc(at("loop.form"))));
    ASSERT_TRUE(QDir().mkpath(at("folder.form")));

    for (const QString& path : { at("missing.form"), at("empty.form"), at("huge.form"),
             at("fifo.form"), at("socket.form"), at("zero.form"), at("urandom.form"),
             at("loop.form"), at("folder.form"), QStringLiteral("/dev/null"),
             QStringLiteral("/proc/self/mem"), QString(), QString(5000, u'p') }) {
        SCOPED_TRACE(path.left(80).toStdString());
        const auto form = loadWithin(path, 5000);
        ASSERT_TRUE(form.has_value()) << "the read blocked";
        EXPECT_TRUE(form->controlNames().isEmpty());
    }

    // Binary content: lines that cannot be read are skipped, the rest kept.
    QByteArray binary = randomBytes(256 * 1024, 5);
    binary.replace('[', '(');
    binary += "\n[H1]\nMax = 77\n";
    ASSERT_TRUE(writeBytes(enc(at("binary.form")), binary));
    const auto form = loadWithin(at("binary.form"), 5000);
    ASSERT_TRUE(form.has_value());
    EXPECT_EQ(form->control(QStringLiteral("H1")).readLong(QStringLiteral("Max"), 0), 77);
}

TEST(FormFiles, playerWindowBuildsWithDefaultsFromAStrangeFormFile)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.form"));
    ASSERT_TRUE(makeFifo(enc(fifo)));
    const QString binary = dir.filePath(QStringLiteral("binary.form"));
    ASSERT_TRUE(writeBytes(enc(binary), randomBytes(100000, 9)));
    for (const QString& path : { fifo, binary, QStringLiteral("/dev/zero"), dir.path() }) {
        SCOPED_TRACE(path.toStdString());
        PlayerOptions options;
        options.formFile = path;
        options.useTray = false;
        options.graphFactory = [] { return GraphRefs {}; };
        // Built on this thread (widgets must be); a FIFO read that blocked would hang here,
        // so its far end is opened after a bound to release it and fail the case.
        std::atomic<bool> built = false;
        std::thread release([&] {
            if (!waitUntil([&] { return built.load(); }, 5000)) {
                const int fd = ::open(enc(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
            }
        });
        QElapsedTimer timer;
        timer.start();
        {
            playerfrm player(options);
            built = true;
            EXPECT_EQ(player.windowTitle(), QStringLiteral("Zelto Veltrin Player"));
        }
        release.join();
        EXPECT_LT(timer.elapsed(), 5000) << "the form file read blocked";
    }
}

} // namespace

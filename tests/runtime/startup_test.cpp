#include "runtime/commandline.h"
#include "runtime/instancelock.h"
#include "support/wait.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>

using namespace veltrin;

namespace {

TEST(CommandLine, argumentsJoinedBySpacesAndQuotesRemoved)
{
    struct Case {
        QStringList args;
        QString line;
    } cases[] = {
        { {}, QString() },
        { { QStringLiteral("\"/media/My Films/a b.mpg\"") },
            QStringLiteral("/media/My Films/a b.mpg") },
        // Two names become one path that cannot be opened: nothing is trimmed or split.
        { { QStringLiteral("a.mpg"), QStringLiteral("b.mpg") }, QStringLiteral("a.mpg b.mpg") },
        { { QStringLiteral(" lead"), QStringLiteral("trail ") }, QStringLiteral(" lead trail ") },
        { { QStringLiteral("say \"hi\".avi") }, QStringLiteral("say hi.avi") },
        // Names that look like options of Qt or GStreamer are just names.
        { { QStringLiteral("-platform") }, QStringLiteral("-platform") },
        { { QStringLiteral("--gst-debug=5") }, QStringLiteral("--gst-debug=5") },
    };
    for (const auto& c : cases)
        EXPECT_EQ(joinCommandLine(c.args), c.line);

    const char* argv[] = { "veltrin", "-stylesheet", "\"x y\".pls" };
    EXPECT_EQ(joinCommandLine(3, argv), QStringLiteral("-stylesheet x y.pls"));
}

TEST(InstanceLock, secondHolderIsRefusedWhileTheFirstLives)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lock"));
    InstanceLock first(path);
    ASSERT_TRUE(first.tryAcquire());
    InstanceLock second(path);
    EXPECT_FALSE(second.tryAcquire());
}

QProcessEnvironment programEnvironment(const QString& runtimeDir)
{
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), runtimeDir + QStringLiteral("/config"));
    return env;
}

TEST(SingleInstance, secondStartEndsAtOnceAndAStaleLockDoesNotBlock)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(QFile::setPermissions(
        runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const QString lockPath = runtime.path() + QStringLiteral("/veltrin-player.lock");

    QProcess first;
    first.setProcessEnvironment(programEnvironment(runtime.path()));
    first.start(QStringLiteral(VELTRIN_BINARY), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(test::waitFor([&] { return QFile::exists(lockPath); }, 10000));

    QProcess second;
    second.setProcessEnvironment(programEnvironment(runtime.path()));
    second.start(QStringLiteral(VELTRIN_BINARY), { QStringLiteral("/no/such/file.mpg") });
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_EQ(first.state(), QProcess::Running);

    // Killed without a chance to clean up: its lock file stays behind.
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(10000));
    ASSERT_TRUE(QFile::exists(lockPath));

    QProcess third;
    third.setProcessEnvironment(programEnvironment(runtime.path()));
    third.start(QStringLiteral(VELTRIN_BINARY), {});
    ASSERT_TRUE(third.waitForStarted(10000));
    // It takes over the stale lock and keeps running.
    EXPECT_TRUE(test::waitFor(
        [&] {
            QFile f(lockPath);
            return f.open(QIODevice::ReadOnly)
                && f.readLine().trimmed() == QByteArray::number(third.processId());
        },
        10000));
    EXPECT_FALSE(third.waitForFinished(300));
    third.kill();
    third.waitForFinished(10000);
}

} // namespace

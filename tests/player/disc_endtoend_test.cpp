// The real program finds a Video CD on an optical drive at start-up and plays
// its tracks in order by itself.
#include "support/media.h"
#include "support/wait.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::Clip;
using veltrin::test::waitFor;

namespace {

// The media file the process holds open, "" when none.
QString openMediaFile(qint64 pid, const QString& folder)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd :
        fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (target.startsWith(folder))
            return QFileInfo(target).fileName();
    }
    return {};
}

TEST(DiscEndToEnd, startUpPlaysTheVideoCdOnAFakeOpticalMountInOrder)
{
    QTemporaryDir root;
    const QString disc = root.filePath(QStringLiteral("cdrom0"));
    const QString mpegav = disc + QStringLiteral("/MPEGAV");
    ASSERT_TRUE(QDir().mkpath(mpegav));
    for (const char* name : { "AVSEQ01.DAT", "AVSEQ02.DAT", "AVSEQ03.DAT" })
        test::copyClip(Clip::VcdDat, mpegav, QString::fromLatin1(name), 2);
    const QString table = root.filePath(QStringLiteral("mounts"));
    {
        QFile f(table);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("proc /proc proc rw 0 0\n/dev/sr0 %1 iso9660 ro 0 0\n")
                    .arg(disc)
                    .toUtf8());
    }
    const QString runtime = root.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(
        runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QProcess player;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("VELTRIN_TEST_MOUNT_TABLE"), table);
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    player.setProcessEnvironment(env);
    player.start(QStringLiteral(VELTRIN_BINARY), {});
    ASSERT_TRUE(player.waitForStarted(10000));

    QStringList played;
    const bool third = waitFor(
        [&] {
            // In the order first seen: for a moment the track that ended
            // may still be open beside the next one.
            const QString now = openMediaFile(player.processId(), mpegav);
            if (!now.isEmpty() && !played.contains(now))
                played << now;
            return played.size() >= 3;
        },
        30000);
    EXPECT_TRUE(third);
    EXPECT_EQ(played, (QStringList { "AVSEQ01.DAT", "AVSEQ02.DAT", "AVSEQ03.DAT" }));
    EXPECT_EQ(player.state(), QProcess::Running);
    player.terminate();
    EXPECT_TRUE(player.waitForFinished(10000));
    EXPECT_TRUE(player.readAllStandardError().isEmpty());
}

} // namespace

// GStreamer's leak tracer over a whole run of the real player: a play list of
// several containers advancing on its own, then a normal end. Every graph,
// element and pad the player made must be gone when GStreamer is torn down.
#include "player_run.h"
#include "support/media.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrin::test;

namespace {

int graphsWithVideo(const QString& statsFile)
{
    QFile f(statsFile);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("graphs")).toInt();
}

} // namespace

TEST(LeakTrace, noGStreamerObjectOutlivesAPlayListRun)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString list = dir.filePath(QStringLiteral("list.pls"));
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        for (Clip c : { Clip::Mpg, Clip::Mp3, Clip::Mp4, Clip::Avi })
            f.write(QFile::encodeName(clipPath(c, 3)) + "\r\n");
    }
    const QString stats = dir.filePath(QStringLiteral("stats.json"));

    PlayerRun run(QStringLiteral("leaks"), { QFile::encodeName(list) });
    run.addEnvironment("GST_TRACERS=leaks");
    run.addEnvironment("GST_DEBUG=GST_TRACER:7");
    run.addEnvironment("VELTRIN_STATS=" + QFile::encodeName(stats));
    ASSERT_TRUE(run.start());
    // Two video graphs closed: the list reached its last entry through the
    // others (the last graph stays open, stopped, until the program ends).
    EXPECT_TRUE(waitUntil([&] { return graphsWithVideo(stats) >= 2 || !run.running(); }, 60000))
        << "the play list did not advance";
    EXPECT_TRUE(run.running()) << run.output().toStdString();
    ASSERT_TRUE(run.terminate(10000));
    EXPECT_EQ(run.waitStatus(), std::optional<int>(0));

    const QByteArray out = run.output();
    ASSERT_TRUE(out.contains("object-alive.class")) << "the leak tracer did not run";
    QByteArrayList alive;
    for (const QByteArray& line : out.split('\n')) {
        if (line.contains("object-alive, ") && line.contains("address=(gpointer)0x"))
            alive << line.mid(line.indexOf("type-name"));
    }
    EXPECT_TRUE(alive.isEmpty()) << alive.join('\n').toStdString();
}

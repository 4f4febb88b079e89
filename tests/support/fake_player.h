#pragma once

#include "player/playerfrm.h"
#include "player/playerfrm_testpeer.h"
#include "support/fake_graph.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace veltrin::test {

// The player over fake graphs, with a temporary play-list folder of empty
// files that File1 lists; no tray icon and a mount table without discs.
struct FakePlayer {
    QTemporaryDir dir;
    FakeGraphFactory graphs;
    std::unique_ptr<playerfrm> player;

    // An empty pattern keeps the play list's own.
    explicit FakePlayer(const QStringList& names = { QStringLiteral("AVSEQ01.DAT"),
                            QStringLiteral("AVSEQ02.DAT"), QStringLiteral("AVSEQ03.DAT") },
        const QString& pattern = {})
    {
        for (const QString& n : names)
            touch(n);
        player = std::make_unique<playerfrm>(playerfrm::Options {
            .graphFactory = graphs.factory(),
            .mountTable = dir.filePath(QStringLiteral("no-mounts")),
            .formFile = {},
            .useTray = false,
        });
        if (!pattern.isEmpty())
            in().File1.setPattern(pattern);
        in().File1.setPath(dir.path());
    }

    PlayerTestPeer in() const { return PlayerTestPeer(*player); }
    QString path(const QString& name) const { return dir.path() + u'/' + name; }
    std::shared_ptr<FakeGraph> graph() const { return graphs.graph(); }
    QStringList& log() { return *graphs.log; }

    // A file in the folder; returns its path.
    QString touch(const QString& name, const QByteArray& content = {})
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
        f.write(content);
        return f.fileName();
    }
    // Loads entry i the way the folder browser and the track keys do.
    void load(int i)
    {
        in().File1.select(i);
        player->LoadPLFile();
    }
    void show()
    {
        player->move(40, 40);
        player->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(player.get()));
    }
};

} // namespace veltrin::test

#include "runtime/mediafiles.h"
#include "support/fake_player.h"
#include "support/media.h"
#include "support/wait.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrin;
using veltrin::test::waitFor;

namespace {

// The player with a scripted graph, and drops sent to it as the window
// system sends them.
struct DropTarget : test::FakePlayer {
    DropTarget()
        : FakePlayer(QStringList {})
    {
        player->Form_Load(QString());
        player->show();
        graphs.log->clear();
        createdAtStart = graphs.created;
    }
    QString file(const char* name, const QByteArray& content = {})
    {
        return touch(QString::fromLatin1(name), content);
    }
    // Returns whether the window took the drag, and drops if it did.
    bool drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        const QPoint at(player->width() / 2, player->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(player.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(player.get(), &dropped);
        return dropped.isAccepted();
    }

    int createdAtStart = 0;
};

TEST(DropOnWindow, aMediaFileOpensAsFromTheCommandLine)
{
    DropTarget t;
    EXPECT_TRUE(t.player->acceptDrops());
    const QString clip = t.file("clip.mpg");
    ASSERT_TRUE(t.drop({ t.file("readme.txt"), clip }));
    ASSERT_TRUE(waitFor([&] { return t.player->control().currentFile() == clip; }));
    EXPECT_TRUE(t.graphs.log->contains(QStringLiteral("RenderFile ") + clip));
    EXPECT_TRUE(t.graphs.graph() && t.graphs.graph()->running);
}

TEST(DropOnWindow, aPlayListFileIsReadAndItsFirstEntryPlays)
{
    DropTarget t;
    const QString first = t.file("one.mpg");
    t.file("two.mpg");
    t.in().File1.setPath(t.dir.path());
    const QString list = t.file("list.pls", "one.mpg\r\ntwo.mpg\r\n");
    const int before = t.in().File1.count();
    ASSERT_TRUE(t.drop({ list }));
    ASSERT_TRUE(waitFor([&] { return t.in().File1.count() == before + 2; }));
    EXPECT_TRUE(
        waitFor([&] { return t.graphs.log->contains(QStringLiteral("RenderFile ") + first); }));
}

TEST(DropOnWindow, foldersTextFilesAndOtherNamesAreRefused)
{
    DropTarget t;
    ASSERT_TRUE(QDir(t.dir.path()).mkdir(QStringLiteral("movies")));
    const QStringList refused[] = {
        { t.dir.filePath(QStringLiteral("movies")) },
        { t.file("notes.txt", "hello") },
        { t.file("film.mkv") },
        { t.file("a.txt"), t.dir.filePath(QStringLiteral("movies")) },
    };
    for (const QStringList& paths : refused) {
        EXPECT_FALSE(t.drop(paths)) << paths.join(u' ').toStdString();
        // A drop that arrives without a drag first is refused as well.
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(paths.first()) });
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(t.player.get(), &dropped);
        EXPECT_FALSE(dropped.isAccepted());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(*t.graphs.log, QStringList());
    EXPECT_EQ(t.graphs.created, t.createdAtStart);
    EXPECT_TRUE(t.player->control().currentFile().isEmpty());
}

} // namespace

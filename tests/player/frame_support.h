#pragma once

#include "player/playerfrm.h"
#include "support/fake_graph.h"

#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace veltrin::test {

// A shown player over fake graphs, with a play-list folder of a few entries.
struct ShownPlayer {
    QTemporaryDir dir;
    FakeGraphFactory graphs;
    std::unique_ptr<playerfrm> p;

    explicit ShownPlayer(
        const QStringList& names = { QStringLiteral("a.mpg"), QStringLiteral("b.mpg") })
    {
        for (const QString& n : names) {
            QFile f(dir.filePath(n));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        }
        p = std::make_unique<playerfrm>(playerfrm::Options {
            .graphFactory = graphs.factory(),
            .mountTable = dir.filePath(QStringLiteral("no-mounts")),
            .formFile = {},
            .useTray = false,
        });
        p->File1.setPattern(QStringLiteral("*.mpg"));
        p->File1.setPath(dir.path());
        p->move(40, 40);
        p->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(p.get()));
    }

    // Loads entry i the way the folder browser and the track keys do.
    void load(int i)
    {
        p->File1.select(i);
        p->LoadPLFile();
    }
    std::shared_ptr<FakeGraph> graph() const { return graphs.graph(); }
    QRect video() const { return graph() ? graph()->geometry : QRect(); }
    // Width and height of the layout's coordinate system.
    int SW() const { return p->clientArea->width(); }
    int SH() const { return p->clientArea->height(); }
};

// Sends a mouse event with an explicit button state, as a platform would.
inline void sendMouse(
    QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(
        type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

inline void click(QWidget* w, QPoint local = { 5, 5 })
{
    sendMouse(w, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
}

} // namespace veltrin::test

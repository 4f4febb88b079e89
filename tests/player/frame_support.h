#pragma once

#include "support/fake_player.h"

#include <QMouseEvent>

namespace veltrin::test {

// A shown player over fake graphs, with a play-list folder of a few entries.
struct ShownPlayer : FakePlayer {
    explicit ShownPlayer(
        const QStringList& names = { QStringLiteral("a.mpg"), QStringLiteral("b.mpg") })
        : FakePlayer(names, QStringLiteral("*.mpg"))
    {
        show();
    }

    QRect video() const { return graph() ? graph()->geometry : QRect(); }
    // Width and height of the layout's coordinate system.
    int SW() const { return in().clientArea->width(); }
    int SH() const { return in().clientArea->height(); }
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

#include "player/playerfrm.h"

#include "runtime/trayicon.h"

#include <QCursor>
#include <QMenu>

void playerfrm::chkSystrayMsg_MouseMove(int m)
{
    // Flags 10: right-aligned at the pointer, items chosen with either button
    // (a Qt menu accepts both).
    constexpr int kTrayMenuFlags = kAlignRight | 2;
    switch (m) {
    case veltrin::TrayIcon::LeftDown:
    case veltrin::TrayIcon::RightDown:
        PopupAtCursor(mnuPopup, kTrayMenuFlags, QCursor::pos());
        break;
    case veltrin::TrayIcon::LeftDoubleClick:
        // Shows the window as it is; full screen is left alone.
        show();
        raise();
        activateWindow();
        break;
    default: break;
    }
}

void playerfrm::PopupAtCursor(QMenu* menu, int flags, const QPoint& pointer)
{
    QPoint at = pointer;
    if (flags & kAlignRight)
        at.rx() -= menu->sizeHint().width();
    menu->popup(at);
}

#include "info/windowplacement.h"

#include "runtime/units.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace veltrin::info {

long long centredOffsetTwips(double screenTwips, double windowTwips)
{
    return roundHalfEven(screenTwips - windowTwips) / 2;
}

QPoint centredPosition(const QRect& screenPixels, const QSize& windowPixels)
{
    const auto axis = [](int screen, int window) {
        const long long twips = centredOffsetTwips(pixelsToTwips(screen), pixelsToTwips(window));
        return static_cast<int>(roundHalfEven(twipsToPixels(static_cast<double>(twips))));
    };
    return screenPixels.topLeft()
        + QPoint(axis(screenPixels.width(), windowPixels.width()),
            axis(screenPixels.height(), windowPixels.height()));
}

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window.move(centredPosition(screen->geometry(), window.frameGeometry().size()));
}

void setTopmost(QWidget& window, bool topmost)
{
    Qt::WindowFlags flags = window.windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    // setWindowFlags() would hide and recreate a shown window; telling the
    // widget and its platform window separately keeps it where it is.
    window.overrideWindowFlags(flags);
    if (QWindow* handle = window.windowHandle())
        handle->setFlags(flags);
}

} // namespace veltrin::info

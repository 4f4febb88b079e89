#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

namespace veltrin::info {

// One axis of centring, worked in twips: the difference is rounded to a whole
// number first and then halved with truncation toward zero.
long long centredOffsetTwips(double screenTwips, double windowTwips);

// Top-left pixel position that centres a window of the given outer size on the screen.
QPoint centredPosition(const QRect& screenPixels, const QSize& windowPixels);

// Moves the window's frame to the centre of its primary screen.
void centreOnScreen(QWidget& window);

// Sets or clears "stays on top" without recreating or moving a shown window.
void setTopmost(QWidget& window, bool topmost);

} // namespace veltrin::info

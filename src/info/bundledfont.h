#pragma once

#include <QFont>
#include <QString>

namespace veltrin {

// The font shipped inside the program (Liberation Sans, regular and bold, with
// its licence beside it under resources/fonts/). Every window draws its text
// in it, so a caption measures the same on every machine and fits the box it
// was given.

// Loads the bundled font once, makes it the application's font and lets the
// families the windows were designed with ("Small Fonts", "Tahoma",
// "MS Sans Serif") resolve to it. Needs a QGuiApplication. Returns false when
// the font could not be loaded: Qt's default font is used then.
bool useBundledFont();

// The bundled family; "" before useBundledFont() loaded it.
QString bundledFontFamily();

// The bundled family at a point size.
QFont bundledFont(double pointSize, bool bold = false);

// The application font's size, as the original desktop's default dialog font.
inline constexpr double kApplicationPointSize = 8.0;

} // namespace veltrin

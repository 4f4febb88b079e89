#pragma once

#include "controls/button/modbas.h"

#include <QImage>
#include <QRgb>

namespace veltrin::test {

// A pixel as an opaque colour: alpha is left out, so images with and without
// an alpha channel compare alike.
inline QRgb px(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

// How many pixels of the image have the colour, alpha left out.
inline int countPixels(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += px(image, x, y) == colour;
    return n;
}

// A 0x00BBGGRR colour of the button's routines as an opaque pixel.
inline QRgb toRgb(modBas::Colour k)
{
    return qRgb(modBas::RedOf(k), modBas::GreenOf(k), modBas::BlueOf(k));
}

} // namespace veltrin::test

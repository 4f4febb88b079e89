#pragma once

#include <cmath>

namespace veltrin {

// 15 twips per pixel at the standard 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

constexpr double twipsToPixels(double twips)
{
    return twips / kTwipsPerPixel;
}
constexpr double pixelsToTwips(double pixels)
{
    return pixels * kTwipsPerPixel;
}

// Rounds to the nearest integer with halves going to the even neighbour, the
// rounding every integer conversion of the player uses.
inline long long roundHalfEven(double v)
{
    return static_cast<long long>(std::nearbyint(v));
}

} // namespace veltrin

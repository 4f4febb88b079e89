// modBas: colour arithmetic, drawing primitives and the picture effects.
#include "controls/button/modbas.h"
#include "support/pixels.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <gtest/gtest.h>

using namespace modBas;
using veltrin::test::px;
using veltrin::test::toRgb;

namespace {

QRgb paletteRgb(QPalette::ColorRole role)
{
    return QGuiApplication::palette().color(QPalette::Active, role).rgb() | 0xFF000000u;
}

QImage filled(int w, int h, QColor c)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    return image;
}

} // namespace

// ---- colours -------------------------------------------------------------------

struct ShiftCase {
    Colour in;
    qint32 amount;
    Colour out;
};

void PrintTo(const ShiftCase& c, std::ostream* os)
{
    *os << std::hex << c.in << (c.amount < 0 ? "-" : "+") << std::dec << std::abs(c.amount);
}

class ShiftColorTable : public ::testing::TestWithParam<ShiftCase> { };

TEST_P(ShiftColorTable, shiftsRedGreenByAmountAndBlueByWeightedAmount)
{
    const ShiftCase c = GetParam();
    EXPECT_EQ(ShiftColor(c.in, c.amount), c.out)
        << std::hex << "in " << c.in << " amount " << std::dec << c.amount;
}

INSTANTIATE_TEST_SUITE_P(Examples, ShiftColorTable,
    ::testing::Values(ShiftCase { 0xF0F0F0, -32, rgb(208, 208, 200) },
        ShiftCase { 0xFFFFFF, -84, rgb(171, 171, 144) },
        ShiftCase { 0xC0C0C0, 48, rgb(240, 240, 240) }, ShiftCase { 0x123456, 0, 0x123456 },
        ShiftCase { 0xFFFFFF, 48, 0xFFFFFF }, ShiftCase { 0xFFFFFF, -1, rgb(254, 254, 254) },
        ShiftCase { 0xFFFFFF, -24, rgb(231, 231, 224) },
        // pressed face and its bevels
        ShiftCase { rgb(208, 208, 200), -32, rgb(176, 176, 167) },
        ShiftCase { rgb(208, 208, 200), -24, rgb(184, 184, 175) },
        ShiftCase { rgb(208, 208, 200), -22, rgb(186, 186, 178) },
        ShiftCase { rgb(208, 208, 200), 5, rgb(213, 213, 205) },
        ShiftCase { rgb(208, 208, 200), 16, rgb(224, 224, 216) },
        ShiftCase { rgb(208, 208, 200), 10, rgb(218, 218, 210) },
        // truncation toward zero, not floor: 100 * -10 / 192 = -5.2 -> -5
        ShiftCase { rgb(0, 0, 100), -10, rgb(0, 0, 95) },
        // a dark blue moves less than the amount, red and green clamp at 0
        ShiftCase { rgb(5, 5, 5), -10, rgb(0, 0, 5) },
        // a large darkening drives blue below 0: clamped
        ShiftCase { rgb(10, 10, 200), -300, rgb(0, 0, 0) }));

TEST(SmoothColor, mapsEachChannelByTheNonMonotonicTable)
{
    const std::pair<int, int> table[]
        = { { 0, 76 }, { 31, 107 }, { 32, 89 }, { 95, 152 }, { 96, 134 }, { 128, 166 },
              { 159, 197 }, { 160, 179 }, { 223, 242 }, { 224, 224 }, { 240, 240 }, { 255, 255 } };
    for (const auto& [in, out] : table)
        EXPECT_EQ(SmoothChannel(in), out) << "channel " << in;
    EXPECT_EQ(SmoothColor(0), rgb(76, 76, 76));
    EXPECT_EQ(SmoothColor(0xFFFFFF), 0xFFFFFF);
    EXPECT_EQ(SmoothColor(0xF0F0F0), 0xF0F0F0);
    EXPECT_EQ(SmoothColor(rgb(32, 96, 160)), rgb(89, 134, 179));
}

TEST(ResolveColor, systemButtonFaceIsThePaletteButtonColour)
{
    EXPECT_EQ(toRgb(ResolveColor(kButtonFace)), paletteRgb(QPalette::Button));
    EXPECT_EQ(NormalizeColor(kButtonFace), ResolveColor(kButtonFace));
    EXPECT_GE(ResolveColor(kButtonFace), 0);
}

TEST(ResolveColor, plainColoursPassUnchangedAndUntranslatableOnesAreBlack)
{
    EXPECT_EQ(ResolveColor(0x00123456), 0x00123456);
    EXPECT_EQ(NormalizeColor(0x00123456), 0x00123456);
    EXPECT_EQ(ResolveColor(static_cast<Colour>(0x800000FFu)), 0); // no such system colour
    EXPECT_EQ(ResolveColor(static_cast<Colour>(0xFF000000u)), 0); // not a system colour at all
    EXPECT_EQ(RedOf(static_cast<Colour>(0xFF0000FFu)), 0);
}

TEST(ResolveColor, channelsSplitTheBgrLayout)
{
    EXPECT_EQ(RedOf(0x00123456), 0x56);
    EXPECT_EQ(GreenOf(0x00123456), 0x34);
    EXPECT_EQ(BlueOf(0x00123456), 0x12);
    // a value with stray high bits keeps only the three channels when normalized
    EXPECT_EQ(NormalizeColor(0x7F123456), 0x00123456);
}

TEST(IsPointInBox, includesBothEnds)
{
    EXPECT_TRUE(IsPointInBox(10, 20, 10, 20));
    EXPECT_TRUE(IsPointInBox(0, 0, 10, 20));
    EXPECT_FALSE(IsPointInBox(-0.5f, 0, 10, 10));
    EXPECT_FALSE(IsPointInBox(0, 10.01f, 10, 10));
}

// ---- drawing primitives ----------------------------------------------------------

TEST(DrawLine, leavesOutTheEndPointInEitherDirection)
{
    QImage image = filled(8, 4, Qt::white);
    {
        QPainter p(&image);
        DrawLine(p, 0, 0, 5, 0, 0); // 0..4
        DrawLine(p, 5, 1, 0, 1, 0); // 5..1
        DrawLine(p, 7, 0, 7, 3, 0x0000FF); // rows 0..2
        DrawLine(p, 6, 2, 6, 2, 0); // nothing
    }
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(px(image, x, 0),
            x <= 4 ? qRgb(0, 0, 0) : (x == 7 ? qRgb(255, 0, 0) : qRgb(255, 255, 255)))
            << x;
        EXPECT_EQ(px(image, x, 1),
            (x >= 1 && x <= 5) ? qRgb(0, 0, 0) : (x == 7 ? qRgb(255, 0, 0) : qRgb(255, 255, 255)))
            << x;
    }
    EXPECT_EQ(px(image, 7, 3), qRgb(255, 255, 255));
    EXPECT_EQ(px(image, 6, 2), qRgb(255, 255, 255));
}

TEST(PaintBox, framesOrFillsTheBoxWithoutItsRightAndBottomEdges)
{
    QImage image = filled(6, 6, Qt::white);
    {
        QPainter p(&image);
        PaintBox(p, 1, 1, 4, 3, 0, true);
    }
    EXPECT_EQ(px(image, 1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(px(image, 4, 3), qRgb(0, 0, 0));
    EXPECT_EQ(px(image, 2, 2), qRgb(255, 255, 255)); // inside the frame
    EXPECT_EQ(px(image, 5, 1), qRgb(255, 255, 255)); // x + w is outside
    EXPECT_EQ(px(image, 1, 4), qRgb(255, 255, 255)); // y + h is outside
    {
        QPainter p(&image);
        PaintBox(p, 0, 0, 2, 2, 0x0000FF, false);
        PaintBox(p, 3, 3, 0, 2, 0x00FF00, false); // empty: nothing
    }
    EXPECT_EQ(px(image, 1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(px(image, 2, 2), qRgb(255, 255, 255));
}

TEST(FillPolygon, aSixByThreeDownTriangleHasRowsOfSixFourAndTwo)
{
    QImage image = filled(10, 6, Qt::white);
    {
        QPainter p(&image);
        FillPolygon(p, { QPoint(2, 1), QPoint(8, 1), QPoint(5, 4) }, 0);
    }
    auto blackInRow = [&](int y) {
        QString s;
        for (int x = 0; x < 10; ++x)
            s += px(image, x, y) == qRgb(0, 0, 0) ? u'#' : u'.';
        return s;
    };
    EXPECT_EQ(blackInRow(0), "..........");
    EXPECT_EQ(blackInRow(1), "..######..");
    EXPECT_EQ(blackInRow(2), "...####...");
    EXPECT_EQ(blackInRow(3), "....##....");
    EXPECT_EQ(blackInRow(4), "..........");
}

TEST(DrawInnerEdge, sunkenEdgeIsDarkShadowTopLeftAndLightBottomRight)
{
    QImage image = filled(6, 5, Qt::white);
    {
        QPainter p(&image);
        DrawInnerEdge(p, 0, 0, 6, 5, true);
    }
    EXPECT_EQ(px(image, 0, 0), paletteRgb(QPalette::Shadow));
    EXPECT_EQ(px(image, 0, 3), paletteRgb(QPalette::Shadow));
    EXPECT_EQ(px(image, 4, 0), paletteRgb(QPalette::Shadow));
    EXPECT_EQ(px(image, 5, 0), paletteRgb(QPalette::Midlight)); // the corner goes to bottom-right
    EXPECT_EQ(px(image, 0, 4), paletteRgb(QPalette::Midlight));
    EXPECT_EQ(px(image, 5, 4), paletteRgb(QPalette::Midlight));
    EXPECT_EQ(px(image, 2, 2), qRgb(255, 255, 255));
}

// ---- the DIB arithmetic ----------------------------------------------------------

TEST(Dib, rowsArePaddedToFourBytes)
{
    EXPECT_EQ(dib::stride(18), 56);
    EXPECT_EQ(dib::stride(16), 48);
    EXPECT_EQ(dib::stride(1), 4);
    EXPECT_EQ(dib::offset(18, 2, 1), 56u + 6u);
}

TEST(Dib, greyLevelRoundsHalvesToEvenWithTheRedTermRoundedFirst)
{
    // red alone: N(R * 0.3) then N of the sum
    EXPECT_EQ(dib::greyLevel(15, 0, 0), 4); // 4.5 -> 4
    EXPECT_EQ(dib::greyLevel(5, 0, 0), 2); // 1.5 -> 2
    EXPECT_EQ(dib::greyLevel(25, 0, 0), 8); // 7.5 -> 8
    EXPECT_EQ(dib::greyLevel(0, 150, 0), 88); // 88.5 -> 88
    EXPECT_EQ(dib::greyLevel(0, 0, 50), 6); // 5.5 -> 6
    // the red term is made integral alone: 4 + 0.5 -> 4, not N(4.5 + 0.5) = 5
    EXPECT_EQ(dib::greyLevel(15, 0, 0), 4);
    EXPECT_EQ(dib::greyLevel(255, 255, 255), 254);
    EXPECT_EQ(dib::greyLevel(0, 0, 0), 0);
}

TEST(Dib, anEighteenPixelWideBufferIsProcessedWithoutSkew)
{
    const int w = 18;
    const int h = 3;
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 13, y * 80, 255 - x * 7));
    dib::Buffer buffer = dib::fromImage(image);
    ASSERT_EQ(buffer.size(), 56u * 3u);
    // DIB row 0 is the bottom screen row; bytes are blue, green, red.
    EXPECT_EQ(buffer[dib::offset(w, 17, 0) + 2], 17 * 13);
    EXPECT_EQ(buffer[dib::offset(w, 17, 0) + 1], 2 * 80);
    dib::recolourAll(buffer, w, h, true);
    // padding stays untouched
    for (int row = 0; row < h; ++row) {
        EXPECT_EQ(buffer[row * 56 + 54], 0);
        EXPECT_EQ(buffer[row * 56 + 55], 0);
    }
    const QImage grey = dib::toImage(buffer, w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int g = dib::greyLevel(x * 13, y * 80, 255 - x * 7);
            ASSERT_EQ(px(grey, x, y), qRgb(g, g, g)) << x << "," << y;
        }
    }
}

TEST(Dib, silhouetteModeMakesEveryRecolouredPixelMidGrey)
{
    dib::Buffer buffer = dib::fromImage(filled(5, 2, QColor(10, 200, 30)));
    dib::recolourAll(buffer, 5, 2, false);
    const QImage out = dib::toImage(buffer, 5, 2);
    EXPECT_EQ(px(out, 4, 1), qRgb(128, 128, 128));
}

TEST(Dib, embossGivesAGreyShapeWithAWhiteHighlightBelowAndRight)
{
    // background white, the shape a 2x2 block at (1, 1) on screen
    const QImage background = filled(5, 5, Qt::white);
    QImage composed = background;
    composed.setPixel(1, 1, qRgb(0, 0, 0));
    composed.setPixel(2, 1, qRgb(0, 0, 0));
    composed.setPixel(1, 2, qRgb(0, 0, 0));
    composed.setPixel(2, 2, qRgb(0, 0, 0));
    const QImage bgWithMarks = [&] {
        QImage b = background;
        b.setPixel(0, 4, qRgb(1, 2, 3)); // not changed: must stay
        return b;
    }();
    composed.setPixel(0, 4, qRgb(1, 2, 3));
    const dib::Buffer bg = dib::fromImage(bgWithMarks);
    dib::Buffer comp = dib::fromImage(composed);
    dib::emboss(bg, comp, 5, 5);
    const QImage out = dib::toImage(comp, 5, 5);
    EXPECT_EQ(px(out, 1, 1), qRgb(128, 128, 128));
    EXPECT_EQ(px(out, 2, 2), qRgb(128, 128, 128));
    EXPECT_EQ(px(out, 1, 3), qRgb(255, 255, 255)); // below the shape
    EXPECT_EQ(px(out, 3, 1), qRgb(255, 255, 255)); // right of the shape
    EXPECT_EQ(px(out, 0, 4), qRgb(1, 2, 3)); // untouched elsewhere
    // pixels above and left of the shape are not highlighted
    composed.fill(Qt::red);
    dib::Buffer redBg = dib::fromImage(filled(5, 5, Qt::red));
    dib::Buffer shape = dib::fromImage([&] {
        QImage s = filled(5, 5, Qt::red);
        s.setPixel(2, 2, qRgb(0, 0, 0));
        return s;
    }());
    dib::emboss(redBg, shape, 5, 5);
    const QImage single = dib::toImage(shape, 5, 5);
    EXPECT_EQ(px(single, 2, 1), qRgb(255, 0, 0)); // above
    EXPECT_EQ(px(single, 1, 2), qRgb(255, 0, 0)); // left
    EXPECT_EQ(px(single, 2, 3), qRgb(255, 255, 255));
    EXPECT_EQ(px(single, 3, 2), qRgb(255, 255, 255));
    EXPECT_EQ(px(single, 3, 3), qRgb(255, 0, 0)); // diagonal: neither above nor left is changed
}

// ---- DrawPictureEffect -------------------------------------------------------------

namespace {

// An 8x8 icon: the left half opaque blue, the right half transparent.
veltrin::PictureRef halfIcon()
{
    QImage icon(8, 8, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 4; ++x)
            icon.setPixel(x, y, qRgba(40, 60, 200, 255));
    return veltrin::Picture::fromImage(icon);
}

veltrin::PictureRef bitmap()
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(QColor(200, 100, 50));
    image.setPixel(0, 0, qRgb(15, 0, 0));
    return veltrin::Picture::fromImage(image);
}

} // namespace

TEST(DrawPictureEffect, greyIconOverAColouredBackgroundKeepsTheBackgroundWhereTransparent)
{
    const auto icon = halfIcon();
    ASSERT_EQ(icon->kind, veltrin::Picture::Kind::Icon);
    QImage target = filled(12, 12, QColor(255, 0, 0));
    {
        QPainter p(&target);
        DrawPictureEffect(p, 2, 2, 8, 8, icon, 8, 8, 1, true);
    }
    const int g = dib::greyLevel(40, 60, 200);
    EXPECT_EQ(px(target, 2, 2), qRgb(g, g, g));
    EXPECT_EQ(px(target, 5, 9), qRgb(g, g, g));
    EXPECT_EQ(px(target, 6, 2), qRgb(255, 0, 0)); // transparent half: background
    EXPECT_EQ(px(target, 9, 9), qRgb(255, 0, 0));
    EXPECT_EQ(px(target, 0, 0), qRgb(255, 0, 0)); // outside the rectangle
}

TEST(DrawPictureEffect, silhouetteIconIsMidGreyWhereverItDraws)
{
    QImage target = filled(8, 8, QColor(0, 255, 0));
    {
        QPainter p(&target);
        DrawPictureEffect(p, 0, 0, 8, 8, halfIcon(), 8, 8, 1, false);
    }
    EXPECT_EQ(px(target, 1, 1), qRgb(128, 128, 128));
    EXPECT_EQ(px(target, 7, 7), qRgb(0, 255, 0));
}

TEST(DrawPictureEffect, greyBitmapGreysTheWholeRectangle)
{
    QImage target = filled(6, 6, QColor(255, 0, 0));
    {
        QPainter p(&target);
        DrawPictureEffect(p, 1, 1, 4, 4, bitmap(), 4, 4, 1, true);
    }
    const int g = dib::greyLevel(200, 100, 50);
    EXPECT_EQ(px(target, 1, 1), qRgb(4, 4, 4)); // greyLevel(15, 0, 0)
    EXPECT_EQ(px(target, 4, 4), qRgb(g, g, g));
    EXPECT_EQ(px(target, 0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(px(target, 5, 5), qRgb(255, 0, 0));
}

TEST(DrawPictureEffect, embossedBitmapIsAGreySunkenBox)
{
    QImage target = filled(8, 8, Qt::white);
    {
        QPainter p(&target);
        DrawPictureEffect(p, 1, 1, 6, 6, bitmap(), 4, 4, 2, true);
    }
    EXPECT_EQ(px(target, 3, 3), qRgb(128, 128, 128));
    EXPECT_EQ(px(target, 1, 1), paletteRgb(QPalette::Shadow));
    EXPECT_EQ(px(target, 6, 6), paletteRgb(QPalette::Midlight));
    EXPECT_EQ(px(target, 0, 0), qRgb(255, 255, 255));
}

TEST(DrawPictureEffect, embossedIconIsGreyWithAWhiteEdgeBelowAndRight)
{
    QImage target = filled(12, 12, QColor(0, 0, 255));
    {
        QPainter p(&target);
        DrawPictureEffect(p, 0, 0, 8, 8, halfIcon(), 8, 8, 2, true);
    }
    EXPECT_EQ(px(target, 0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(px(target, 3, 7), qRgb(128, 128, 128));
    EXPECT_EQ(px(target, 4, 3), qRgb(255, 255, 255)); // right of the opaque half
    EXPECT_EQ(px(target, 5, 3), qRgb(0, 0, 255));
}

TEST(DrawPictureEffect, plainDrawsStretchedAndBadArgumentsDrawNothing)
{
    QImage target = filled(10, 10, Qt::white);
    {
        QPainter p(&target);
        DrawPictureEffect(p, 0, 0, 8, 8, bitmap(), 4, 4, 0, true); // 4x4 -> 8x8
        DrawPictureEffect(p, 0, 0, 0, 5, bitmap(), 4, 4, 0, true);
        DrawPictureEffect(p, 8, 8, 2, 2, bitmap(), 4, 4, 3, true);
        DrawPictureEffect(p, 8, 8, 2, 2, veltrin::Picture::empty(), 4, 4, 0, true);
        DrawPictureEffect(p, 8, 8, 2, 2, nullptr, 4, 4, 0, true);
    }
    EXPECT_EQ(px(target, 1, 1), qRgb(15, 0, 0)); // the stretched first pixel
    EXPECT_EQ(px(target, 7, 7), qRgb(200, 100, 50));
    EXPECT_EQ(px(target, 9, 9), qRgb(255, 255, 255));
}

TEST(DrawFocusRect, invertsEveryOtherPixelOfTheFrame)
{
    QImage target = filled(6, 6, Qt::white);
    {
        QPainter p(&target);
        DrawFocusRect(p, 0, 0, 6, 6);
    }
    EXPECT_EQ(px(target, 0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(px(target, 1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(px(target, 2, 0), qRgb(0, 0, 0));
    EXPECT_EQ(px(target, 5, 1), qRgb(0, 0, 0));
    EXPECT_EQ(px(target, 2, 2), qRgb(255, 255, 255));
}

// System colours: one table behind the button's and the slider's painting.
#include "controls/button/modbas.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "runtime/systemcolours.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

// A palette in which every role of every group has a colour of its own, so a
// lookup through the wrong role or group shows.
QPalette distinctPalette()
{
    QPalette pal;
    int n = 1;
    for (int g = 0; g < QPalette::NColorGroups; ++g) {
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            if (r == QPalette::NoRole)
                continue;
            pal.setColor(static_cast<QPalette::ColorGroup>(g), static_cast<QPalette::ColorRole>(r),
                QColor(n, 255 - n, (n * 7) % 256));
            ++n;
        }
    }
    return pal;
}

TEST(SystemColours, indicesNameTheirPaletteRoles)
{
    const QPalette pal = distinctPalette();
    const struct {
        int index;
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
    } cases[] = {
        { 1, QPalette::Active, QPalette::Window }, // desktop
        { 3, QPalette::Inactive, QPalette::Highlight }, // inactive caption
        { 10, QPalette::Active, QPalette::Window }, // active border
        { 11, QPalette::Inactive, QPalette::Window }, // inactive border
        { 15, QPalette::Active, QPalette::Button }, // button face
        { 17, QPalette::Disabled, QPalette::Text }, // grey text
        { 19, QPalette::Inactive, QPalette::HighlightedText },
        { 26, QPalette::Active, QPalette::Link },
        { 30, QPalette::Active, QPalette::Window }, // menu bar
    };
    for (const auto& c : cases)
        EXPECT_EQ(veltrin::systemColour(c.index, pal), pal.color(c.group, c.role)) << c.index;
    EXPECT_EQ(veltrin::systemColour(25, pal), QColor(Qt::black));
    EXPECT_FALSE(veltrin::systemColour(31, pal));
    EXPECT_FALSE(veltrin::systemColour(-1, pal));
    EXPECT_EQ(veltrin::resolveColour(0x80000020u, pal), QColor(Qt::black));
    EXPECT_EQ(veltrin::resolveColour(0x81000001u, pal), QColor(Qt::black));
    EXPECT_EQ(veltrin::resolveColour(0x00563412u, pal), QColor(0x12, 0x34, 0x56));
}

TEST(SystemColours, buttonAndSliderResolveEveryIndexAlike)
{
    const QPalette saved = QApplication::palette();
    QApplication::setPalette(distinctPalette());
    dtVisualScrollBar bar;
    for (quint32 n = 0; n <= 32; ++n) {
        const quint32 value = 0x80000000u | n;
        const modBas::Colour button = modBas::ResolveColor(static_cast<modBas::Colour>(value));
        const QColor slider = bar.resolveColour(value);
        EXPECT_EQ(QColor(button & 0xFF, (button >> 8) & 0xFF, (button >> 16) & 0xFF), slider) << n;
    }
    QApplication::setPalette(saved);
}

} // namespace

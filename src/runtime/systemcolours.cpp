#include "runtime/systemcolours.h"

#include <iterator>

namespace veltrin {

std::optional<QColor> systemColour(int index, const QPalette& palette)
{
    using R = QPalette::ColorRole;
    struct Entry {
        QPalette::ColorGroup group;
        R role;
    };
    constexpr QPalette::ColorGroup A = QPalette::Active;
    constexpr QPalette::ColorGroup I = QPalette::Inactive;
    constexpr QPalette::ColorGroup D = QPalette::Disabled;
    static constexpr Entry table[] = {
        { A, R::Button }, // 0 scroll bar
        { A, R::Window }, // 1 desktop
        { A, R::Highlight }, // 2 active caption
        { I, R::Highlight }, // 3 inactive caption
        { A, R::Window }, // 4 menu
        { A, R::Base }, // 5 window
        { A, R::Shadow }, // 6 window frame
        { A, R::WindowText }, // 7 menu text
        { A, R::Text }, // 8 window text
        { A, R::HighlightedText }, // 9 caption text
        { A, R::Window }, // 10 active border
        { I, R::Window }, // 11 inactive border
        { A, R::Dark }, // 12 application workspace
        { A, R::Highlight }, // 13 highlight
        { A, R::HighlightedText }, // 14 highlight text
        { A, R::Button }, // 15 button face
        { A, R::Dark }, // 16 button shadow
        { D, R::Text }, // 17 grey text
        { A, R::ButtonText }, // 18 button text
        { I, R::HighlightedText }, // 19 inactive caption text
        { A, R::Light }, // 20 button highlight
        { A, R::Shadow }, // 21 3-D dark shadow
        { A, R::Midlight }, // 22 3-D light
        { A, R::ToolTipText }, // 23 tool tip text
        { A, R::ToolTipBase }, // 24 tool tip background
        { A, R::NoRole }, // 25 unused: black
        { A, R::Link }, // 26 hot-tracked item
        { A, R::Highlight }, // 27 active caption gradient
        { I, R::Highlight }, // 28 inactive caption gradient
        { A, R::Highlight }, // 29 menu highlight
        { A, R::Window }, // 30 menu bar
    };
    if (index < 0 || index >= static_cast<int>(std::size(table)))
        return std::nullopt;
    const Entry& e = table[index];
    if (e.role == R::NoRole)
        return QColor(Qt::black);
    return palette.color(e.group, e.role);
}

QColor resolveColour(quint32 colour, const QPalette& palette)
{
    if ((colour >> 24) == 0x80)
        return systemColour(static_cast<int>(colour & 0x00FFFFFFu), palette).value_or(Qt::black);
    if (colour & 0x80000000u)
        return Qt::black; // a top byte other than 0x80 names no colour
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
        static_cast<int>((colour >> 16) & 0xFF));
}

} // namespace veltrin

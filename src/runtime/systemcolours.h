#pragma once

#include <QColor>
#include <QPalette>
#include <optional>

namespace veltrin {

// The colour a system colour index (Windows numbering, 0..30) names, as the
// given palette shows it. Every control resolves 0x80000000 + n through this
// one table, so a value paints the same in a button and in a slider. An index
// the table does not know has no colour: the translation fails.
std::optional<QColor> systemColour(int index, const QPalette& palette);

// Resolves a 0x00BBGGRR value, or a system colour when its top byte is 0x80;
// a failed translation is black.
QColor resolveColour(quint32 colour, const QPalette& palette);

} // namespace veltrin

// The font of a reading figure: the interface face at its layout's point size, narrowed
// where needed so that the widest reading fits the figure's box.
#pragma once

#include <QFont>
#include <QStringList>

namespace display {

// The widest texts the decoder can produce from a four-character field.
const QStringList &widestReadings();

// The font at the given stretch (100 = as designed) whose widest reading is no wider
// than widthPx. The stretch is chosen once from the widest texts, so digits keep their
// width as values change.
QFont fitFigureFont(const QFont &font, int widthPx);

// Width in pixels of the widest reading in that font.
int widestReadingWidth(const QFont &font);

} // namespace display

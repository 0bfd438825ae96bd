// The drawn dialog's own bitmap font: printable ASCII in 5 x 7 cells, drawn as
// data so its pixels are the same on every machine.
#pragma once

#include <stdint.h>

inline constexpr int GlyphWidth = 5;
inline constexpr int GlyphHeight = 7;
inline constexpr int GlyphAdvance = GlyphWidth + 1;

// Seven rows, top first, the leftmost pixel in bit 4. A character outside
// printable ASCII is drawn as '?'.
const uint8_t *GlyphRows(char c);

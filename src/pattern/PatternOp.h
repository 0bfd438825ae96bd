// One entry of the test pattern's drawing list, as the layout produces it and
// any drawing surface (the window, the rasteriser, a test) carries it out.
#pragma once

#include <stdint.h>

enum class PatternOpKind : uint8_t {
    SelectWhitePen,   // the stock white pen becomes current
    SelectBlackBrush, // the stock black brush becomes the current fill
    DrawFrame,        // rectangle: outline with the pen, inside with the fill
    DrawLine,         // from (left, top) up to, not including, (right, bottom)
    FillBox,          // solid box of its own colour; pen and fill untouched
    NewPen,           // a new one-pixel solid pen of this colour replaces the current one
    DrawEllipse,      // ellipse inscribed in the box, pen outline, filled
};

// Boxes cover x in [left, right) and y in [top, bottom). Colours are
// 0x00BBGGRR, red in the low byte, as the platform's COLORREF.
struct PatternOp {
    PatternOpKind kind;
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    uint32_t colour;
};

inline constexpr uint32_t PatternWhite = 0x00FFFFFF;
inline constexpr uint32_t PatternRed = 0x000000FF;
inline constexpr uint32_t PatternBlue = 0x00FF0000;

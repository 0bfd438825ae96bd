// The program's icon as pictures: a monitor on a stand, 32 x 32, whose screen
// shows the real pattern in miniature. Shared by the .ico writer and by the
// drawn pause dialog. Fixed-size tables, so that it needs no allocation.
#pragma once

#include <stdint.h>

inline constexpr int IconSide = 32;
inline constexpr int IconPixelCount = IconSide * IconSide;

struct Rgb {
    int r, g, b;
};

// The pattern reduced to the icon's screen; made once, used by each depth.
struct IconMiniature {
    Rgb pixels[26 * 18];
};
IconMiniature MakeIconMiniature();

// The colours an image of 1, 4 or 8 bits per pixel may use.
struct IconPalette {
    Rgb colours[256];
    int count;
};
IconPalette IconPaletteFor(int bits);

// Each pixel's index into IconPaletteFor(bits), row by row from the top.
struct IconIndices {
    uint8_t index[IconPixelCount];
};
IconIndices IconIndicesFor(int bits, const IconMiniature &miniature);

// True where the picture is transparent, outside the monitor and its stand.
bool IconPixelClear(int x, int y);

// The 256-colour picture, the one shown at full colour, as 0x00BBGGRR values
// row by row from the top; transparent pixels hold `clear`.
struct IconColourRefs {
    uint32_t pixels[IconPixelCount];
};
IconColourRefs MakeIconColourRefs(uint32_t clear);

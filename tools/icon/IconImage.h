// The program's icon as pictures: a monitor on a stand, 32 x 32, whose screen
// shows the real pattern in miniature. Shared by the .ico writer and by the
// native viewer, which draws the same picture in its pause dialog.
#pragma once

#include <stdint.h>

#include <vector>

inline constexpr int IconSide = 32;

struct Rgb {
    int r, g, b;
};

// The pattern reduced to the icon's screen; rendered once, used by each depth.
std::vector<Rgb> IconMiniature();

// The colours an image of 1, 4 or 8 bits per pixel may use.
std::vector<Rgb> IconPalette(int bits);

// Each pixel's index into IconPalette(bits), row by row from the top.
std::vector<int> IconIndices(int bits, const std::vector<Rgb> &miniature);

// True where the picture is transparent, outside the monitor and its stand.
bool IconPixelClear(int x, int y);

// The 256-colour picture, the one shown at full colour, as 0x00BBGGRR values
// row by row from the top; transparent pixels hold `clear`.
std::vector<uint32_t> IconColourRefs(uint32_t clear);

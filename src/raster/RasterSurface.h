// What a rasteriser draws on: a band of rows of a 32-bit pixel surface, within
// limits that keep every entry of the layout exact.
#pragma once

#include <stdint.h>

// The rasteriser's limits, the one place they are stated and checked: a
// surface up to RasterSideLimit pixels on each side (the largest PNG the
// renderer writes, and the largest canvas browsers allow), and a band of
// whole rows inside it. Within them every entry the layout makes is drawn
// exactly and all arithmetic stays well inside 64 bits. A rasteriser made
// for anything else draws nothing.
inline constexpr int32_t RasterSideLimit = 32767;

constexpr bool RasterBandFits(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount)
{
    return surfaceWidth >= 0 && surfaceWidth <= RasterSideLimit && surfaceHeight >= 0 &&
           surfaceHeight <= RasterSideLimit && firstRow >= 0 && rowCount >= 0 && rowCount <= surfaceHeight - firstRow;
}

// Pixels are COLORREF values, 0x00BBGGRR, with this in their top byte: none
// for the platform's own values, or full alpha, which makes each pixel the
// red, green, blue and alpha bytes a browser's canvas takes.
inline constexpr uint32_t NoAlpha = 0;
inline constexpr uint32_t OpaqueAlpha = 0xFF000000u;

// What a device context carries from one entry to the next; a new one starts
// with a black pen and a white brush.
struct PenAndBrush {
    uint32_t pen = 0x000000;
    uint32_t brush = 0xFFFFFF;
};

// The rows firstRow .. endRow - 1 of a surface width pixels wide that a
// rasteriser draws on. Outside the limits it is empty, so every drawing is
// clipped away.
struct RasterBand {
    RasterBand(int32_t surfaceWidth, int32_t surfaceHeight, int32_t first, int32_t rowCount);

    // Clips [left, right) x [top, bottom) to the band; false if nothing is left.
    bool Clip(int64_t &left, int64_t &top, int64_t &right, int64_t &bottom) const;

    int32_t width = 0;
    int32_t firstRow = 0;
    int32_t endRow = 0;
};

// Draws pattern entries onto a band of rows of a 32-bit pixel surface,
// painting exactly the pixels the platform's graphics interface paints for
// the same calls with a one-pixel solid pen. Rendering band by band keeps
// memory independent of the image's height.
#pragma once

#include "pattern/PatternOp.h"

#include <stddef.h>

// The rasteriser's limits, the one place they are stated and checked: a
// surface up to RasterSideLimit pixels on each side (the largest PNG the
// renderer writes, and the largest canvas browsers allow), and a band of
// whole rows inside it. Within them every entry the layout makes is drawn
// exactly and all arithmetic stays well inside 64 bits. A Rasteriser made
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

class Rasteriser {
public:
    // pixels holds rowCount rows of surfaceWidth pixels, the rows firstRow ..
    // firstRow + rowCount - 1 of a surfaceWidth x surfaceHeight surface.
    // Drawing is clipped to the surface and to the band.
    Rasteriser(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount, uint32_t *pixels,
               uint32_t alpha = NoAlpha);

    void operator()(const PatternOp &op);

    // A new device context starts with a black pen and a white brush.
    void SetPen(uint32_t colour) { pen_ = colour; }
    void SetBrush(uint32_t colour) { brush_ = colour; }

private:
    void Box(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour);
    void Rectangle(int64_t left, int64_t top, int64_t right, int64_t bottom);
    void Line(int64_t x0, int64_t y0, int64_t x1, int64_t y1);
    void FillRect(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour);
    void Ellipse(int64_t left, int64_t top, int64_t right, int64_t bottom);
    void EllipseRows(int64_t left, int64_t top, int64_t w, int64_t h, int64_t y, int64_t xMin, int64_t xMax);

    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t firstRow_ = 0;
    int32_t endRow_ = 0;
    uint32_t *pixels_;
    uint32_t alpha_;
    uint32_t pen_ = 0x000000;
    uint32_t brush_ = 0xFFFFFF;
};

// Renders the whole pattern for width x height into one band of rows,
// starting from the black background the window is erased with. False, with
// nothing touched, for a band outside the rasteriser's limits.
bool RenderPatternBand(int32_t width, int32_t height, int32_t firstRow, int32_t rowCount, uint32_t *pixels,
                       uint32_t alpha = NoAlpha);

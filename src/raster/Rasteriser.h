// The reference rasteriser: draws pattern entries one by one onto a band of
// rows of a 32-bit pixel surface, painting exactly the pixels the platform's
// graphics interface paints for the same calls with a one-pixel solid pen.
// Rendering band by band keeps memory independent of the image's height.
#pragma once

#include "pattern/PatternOp.h"
#include "raster/RasterSurface.h"

#include <stdint.h>

// Draws each entry as it comes, straight onto the band: the reference for the
// pixel rules.
class Rasteriser {
public:
    // pixels holds rowCount rows of surfaceWidth pixels, the rows firstRow ..
    // firstRow + rowCount - 1 of a surfaceWidth x surfaceHeight surface.
    // Drawing is clipped to the surface and to the band.
    Rasteriser(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount, uint32_t *pixels,
               uint32_t alpha = NoAlpha);

    void operator()(const PatternOp &op);

    void SetPen(uint32_t colour) { tools_.pen = colour; }
    void SetBrush(uint32_t colour) { tools_.brush = colour; }

    // [left, right) x [top, bottom), unclipped.
    void Box(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour);
    // A w x h ellipse, w and h from 3 to RasterSideLimit, outlined with the
    // pen and filled with the brush.
    void Ellipse(int64_t left, int64_t top, int64_t w, int64_t h, PenAndBrush tools);

private:
    RasterBand band_;
    uint32_t *pixels_;
    uint32_t alpha_;
    PenAndBrush tools_;
};

// The whole pattern as pixels, a band of rows at a time: what the front ends
// call.
#pragma once

#include "raster/RasterSurface.h"

#include <stdint.h>

// Renders the whole pattern for width x height into one band of rows,
// starting from the black background the window is erased with. False, with
// nothing touched, for a band outside the rasteriser's limits. Drawn with
// RowRasteriser, or entry by entry should memory run out.
bool RenderPatternBand(int32_t width, int32_t height, int32_t firstRow, int32_t rowCount, uint32_t *pixels,
                       uint32_t alpha = NoAlpha);

// The same band drawn entry by entry with Rasteriser, the reference that
// RenderPatternBand must match pixel for pixel; slower, as most pixels are
// written several times and the field's lines run down the whole band.
bool RenderPatternBandByEntries(int32_t width, int32_t height, int32_t firstRow, int32_t rowCount, uint32_t *pixels,
                                uint32_t alpha = NoAlpha);

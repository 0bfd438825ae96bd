#include "raster/Rasteriser.h"

#include "raster/PixelRules.h"

#include <algorithm>

Rasteriser::Rasteriser(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount,
                       uint32_t *pixels, uint32_t alpha)
    : band_(surfaceWidth, surfaceHeight, firstRow, rowCount), pixels_(pixels), alpha_(alpha)
{
}

void Rasteriser::operator()(const PatternOp &op)
{
    pixel_rules::DrawEntry(*this, tools_, op);
}

void Rasteriser::Box(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour)
{
    if (!band_.Clip(left, top, right, bottom)) {
        return;
    }
    for (int64_t y = top; y < bottom; ++y) {
        uint32_t *line = pixels_ + static_cast<size_t>(y - band_.firstRow) * static_cast<size_t>(band_.width);
        std::fill(line + left, line + right, colour | alpha_);
    }
}

// Fill first, outline on top; rows do not share pixels.
void Rasteriser::Ellipse(int64_t left, int64_t top, int64_t w, int64_t h, PenAndBrush tools)
{
    pixel_rules::WalkEllipse(top, w, h, band_.firstRow, band_.endRow, [&](int64_t row, int64_t xMin, int64_t xMax) {
        const int64_t rowTop = top + row;
        Box(left + w - 1 - xMax, rowTop, left + xMax + 1, rowTop + 1, tools.brush);
        Box(left + xMin, rowTop, left + xMax + 1, rowTop + 1, tools.pen);
        Box(left + w - 1 - xMax, rowTop, left + w - xMin, rowTop + 1, tools.pen);
    });
}

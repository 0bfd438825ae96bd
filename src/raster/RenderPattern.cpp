#include "raster/RenderPattern.h"

#include "pattern/PatternLayout.h"
#include "raster/Rasteriser.h"
#include "raster/RowRasteriser.h"

#include <algorithm>

bool RenderPatternBand(int32_t width, int32_t height, int32_t firstRow, int32_t rowCount, uint32_t *pixels,
                       uint32_t alpha)
{
    if (!RasterBandFits(width, height, firstRow, rowCount)) {
        return false;
    }
    RowRasteriser rasteriser(width, height, firstRow, rowCount, alpha);
    PatternLayout(width, height, rasteriser);
    return rasteriser.Draw(pixels) || RenderPatternBandByEntries(width, height, firstRow, rowCount, pixels, alpha);
}

bool RenderPatternBandByEntries(int32_t width, int32_t height, int32_t firstRow, int32_t rowCount, uint32_t *pixels,
                                uint32_t alpha)
{
    if (!RasterBandFits(width, height, firstRow, rowCount)) {
        return false;
    }
    std::fill(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(rowCount), alpha);
    PatternLayout(width, height, Rasteriser(width, height, firstRow, rowCount, pixels, alpha));
    return true;
}

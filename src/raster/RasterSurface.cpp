#include "raster/RasterSurface.h"

#include <algorithm>

RasterBand::RasterBand(int32_t surfaceWidth, int32_t surfaceHeight, int32_t first, int32_t rowCount)
{
    if (RasterBandFits(surfaceWidth, surfaceHeight, first, rowCount)) {
        width = surfaceWidth;
        firstRow = first;
        endRow = first + rowCount;
    }
}

bool RasterBand::Clip(int64_t &left, int64_t &top, int64_t &right, int64_t &bottom) const
{
    left = std::max<int64_t>(left, 0);
    right = std::min<int64_t>(right, width);
    top = std::max<int64_t>(top, firstRow);
    bottom = std::min<int64_t>(bottom, endRow);
    return left < right && top < bottom;
}

#include "render/Rasteriser.h"

#include "pattern/PatternLayout.h"

#include <algorithm>
#include <utility>

Rasteriser::Rasteriser(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount,
                       uint32_t *pixels, uint32_t alpha)
    : pixels_(pixels), alpha_(alpha)
{
    // Outside the limits the surface stays empty, so every drawing is clipped away.
    if (RasterBandFits(surfaceWidth, surfaceHeight, firstRow, rowCount)) {
        width_ = surfaceWidth;
        height_ = surfaceHeight;
        firstRow_ = firstRow;
        endRow_ = firstRow + rowCount;
    }
}

void Rasteriser::operator()(const PatternOp &op)
{
    switch (op.kind) {
    case PatternOpKind::SelectWhitePen:
        pen_ = PatternWhite;
        break;
    case PatternOpKind::SelectBlackBrush:
        brush_ = 0;
        break;
    case PatternOpKind::DrawFrame:
        Rectangle(op.left, op.top, op.right, op.bottom);
        break;
    case PatternOpKind::DrawLine:
        Line(op.left, op.top, op.right, op.bottom);
        break;
    case PatternOpKind::FillBox:
        FillRect(op.left, op.top, op.right, op.bottom, op.colour);
        break;
    case PatternOpKind::NewPen:
        pen_ = op.colour;
        break;
    case PatternOpKind::DrawEllipse:
        Ellipse(op.left, op.top, op.right, op.bottom);
        break;
    }
}

// Paints [left, right) x [top, bottom), clipped to the surface and the band.
void Rasteriser::Box(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour)
{
    left = std::max<int64_t>(left, 0);
    right = std::min<int64_t>(right, width_);
    top = std::max<int64_t>(top, std::max(firstRow_, 0));
    bottom = std::min<int64_t>(bottom, std::min(endRow_, height_));
    for (int64_t y = top; y < bottom && left < right; ++y) {
        uint32_t *line = pixels_ + static_cast<size_t>(y - firstRow_) * static_cast<size_t>(width_);
        std::fill(line + left, line + right, colour | alpha_);
    }
}

// Outline with the pen on the box's border, inside with the brush. A 1 x 1
// box is four zero-length strokes and paints nothing.
void Rasteriser::Rectangle(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    if (left == right || top == bottom || (right - left == 1 && bottom - top == 1)) {
        return;
    }
    Box(left, top, right, top + 1, pen_);
    Box(left, bottom - 1, right, bottom, pen_);
    Box(left, top, left + 1, bottom, pen_);
    Box(right - 1, top, right, bottom, pen_);
    Box(left + 1, top + 1, right - 1, bottom - 1, brush_);
}

// The start pixel is painted and the end pixel is not, whichever way the line
// runs. The drawing list only has vertical and horizontal lines.
void Rasteriser::Line(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    if (x0 == x1) {
        if (y0 <= y1) {
            Box(x0, y0, x0 + 1, y1, pen_);
        } else {
            Box(x0, y1 + 1, x0 + 1, y0 + 1, pen_);
        }
    } else if (x0 <= x1) {
        Box(x0, y0, x1, y0 + 1, pen_);
    } else {
        Box(x1 + 1, y0, x0 + 1, y0 + 1, pen_);
    }
}

// A pattern fill of left, top, width, height: an inverted extent is not
// empty but flips over with a shift of one.
void Rasteriser::FillRect(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour)
{
    if (left > right) {
        std::swap(left, right);
        ++left;
        ++right;
    }
    if (top > bottom) {
        std::swap(top, bottom);
        ++top;
        ++bottom;
    }
    Box(left, top, right, bottom, colour);
}

// The outline is an integer walk of the first quadrant (semi-axes from w - 1
// and h - 1) mirrored four ways; each row of the fill spans from that row's
// leftmost to its rightmost outline pixel, fill first, outline on top. Rows do
// not share pixels, and each row's outline pixels come from one run of the
// walk at a constant y, so each run draws its rows whole as it ends.
void Rasteriser::Ellipse(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    const int64_t w = right - left;
    const int64_t h = bottom - top;
    if (w == 0 || h == 0) {
        return;
    }
    if (w <= 2 || h <= 2) {
        Rectangle(left, top, right, bottom);
        return;
    }
    // No layout for a surface within the limits has a larger one.
    if (w > RasterSideLimit || h > RasterSideLimit) {
        return;
    }
    const int64_t bandTop = std::max(firstRow_, 0);
    const int64_t bandEnd = std::min(endRow_, height_);
    if (bottom <= bandTop || top >= bandEnd) {
        return;
    }

    const int64_t a = w - 1;
    const int64_t b = h - 1;
    const int64_t asq = 8 * a * a;
    const int64_t bsq = 8 * b * b;
    int64_t dx = 4 * b * b * (1 - a);
    int64_t dy = 4 * a * a * (1 + (b % 2));
    int64_t err = dx + dy + a * a * (b % 2);

    // The walk starts at the middle row and moves outwards, up and down at once.
    int64_t runMax = a;
    for (int64_t x = a, y = h / 2; x >= w / 2;) {
        if (top + h - 1 - y < bandTop && top + y >= bandEnd) {
            return;
        }
        int64_t nextX = x;
        int64_t nextY = y;
        const int64_t e2 = 2 * err;
        if (e2 >= dx) {
            --nextX;
            dx += bsq;
            err += dx;
        }
        if (e2 <= dy) {
            ++nextY;
            dy += asq;
            err += dy;
        }
        if (nextY != y || nextX < w / 2) {
            EllipseRows(left, top, w, h, y, x, runMax);
            runMax = nextX;
        }
        x = nextX;
        y = nextY;
    }
}

// One run of the walk, outline x from xMin to xMax at walk row y: the rows it
// stands for above and below the middle, mirrored left and right.
void Rasteriser::EllipseRows(int64_t left, int64_t top, int64_t w, int64_t h, int64_t y, int64_t xMin, int64_t xMax)
{
    for (const int64_t row : {h - 1 - y, y}) {
        if (row < 0 || row >= h) {
            continue;
        }
        const int64_t rowTop = top + row;
        Box(left + w - 1 - xMax, rowTop, left + xMax + 1, rowTop + 1, brush_);
        Box(left + xMin, rowTop, left + xMax + 1, rowTop + 1, pen_);
        Box(left + w - 1 - xMax, rowTop, left + w - xMin, rowTop + 1, pen_);
    }
}

bool RenderPatternBand(int32_t width, int32_t height, int32_t firstRow, int32_t rowCount, uint32_t *pixels,
                       uint32_t alpha)
{
    if (!RasterBandFits(width, height, firstRow, rowCount)) {
        return false;
    }
    std::fill(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(rowCount), alpha);
    PatternLayout(width, height, Rasteriser(width, height, firstRow, rowCount, pixels, alpha));
    return true;
}

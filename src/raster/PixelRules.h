// The platform's pixel rules for each kind of entry, shared by both
// rasterisers so that they paint the same pixels: every entry comes down to
// solid boxes and ellipses, the Surface's Box and Ellipse.
#pragma once

#include "pattern/PatternOp.h"
#include "raster/RasterSurface.h"

#include <algorithm>
#include <utility>

namespace pixel_rules {

// Outline with the pen on the box's border, inside with the brush. A 1 x 1
// box is four zero-length strokes and paints nothing.
template <typename Surface>
void Rectangle(Surface &surface, int64_t left, int64_t top, int64_t right, int64_t bottom, PenAndBrush tools)
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
    surface.Box(left, top, right, top + 1, tools.pen);
    surface.Box(left, bottom - 1, right, bottom, tools.pen);
    surface.Box(left, top, left + 1, bottom, tools.pen);
    surface.Box(right - 1, top, right, bottom, tools.pen);
    surface.Box(left + 1, top + 1, right - 1, bottom - 1, tools.brush);
}

// The start pixel is painted and the end pixel is not, whichever way the line
// runs. The drawing list only has vertical and horizontal lines.
template <typename Surface>
void Line(Surface &surface, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t pen)
{
    if (x0 == x1) {
        if (y0 <= y1) {
            surface.Box(x0, y0, x0 + 1, y1, pen);
        } else {
            surface.Box(x0, y1 + 1, x0 + 1, y0 + 1, pen);
        }
    } else if (x0 <= x1) {
        surface.Box(x0, y0, x1, y0 + 1, pen);
    } else {
        surface.Box(x1 + 1, y0, x0 + 1, y0 + 1, pen);
    }
}

// A pattern fill of left, top, width, height: an inverted extent is not
// empty but flips over with a shift of one.
template <typename Surface>
void FillRect(Surface &surface, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour)
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
    surface.Box(left, top, right, bottom, colour);
}

// Ellipses too thin for a curve are rectangles.
template <typename Surface>
void Ellipse(Surface &surface, int64_t left, int64_t top, int64_t right, int64_t bottom, PenAndBrush tools)
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
        Rectangle(surface, left, top, right, bottom, tools);
        return;
    }
    // No layout for a surface within the limits has a larger one.
    if (w > RasterSideLimit || h > RasterSideLimit) {
        return;
    }
    surface.Ellipse(left, top, w, h, tools);
}

template <typename Surface>
void DrawEntry(Surface &surface, PenAndBrush &tools, const PatternOp &op)
{
    switch (op.kind) {
    case PatternOpKind::SelectWhitePen:
        tools.pen = PatternWhite;
        break;
    case PatternOpKind::SelectBlackBrush:
        tools.brush = 0;
        break;
    case PatternOpKind::DrawFrame:
        Rectangle(surface, op.left, op.top, op.right, op.bottom, tools);
        break;
    case PatternOpKind::DrawLine:
        Line(surface, op.left, op.top, op.right, op.bottom, tools.pen);
        break;
    case PatternOpKind::FillBox:
        FillRect(surface, op.left, op.top, op.right, op.bottom, op.colour);
        break;
    case PatternOpKind::NewPen:
        tools.pen = op.colour;
        break;
    case PatternOpKind::DrawEllipse:
        Ellipse(surface, op.left, op.top, op.right, op.bottom, tools);
        break;
    }
}

// The outline of a w x h ellipse is an integer walk of the first quadrant
// (semi-axes from w - 1 and h - 1) mirrored four ways; each row of the fill
// spans from that row's leftmost to its rightmost outline pixel. Each row's
// outline pixels come from one run of the walk at a constant y, so the walk
// hands over whole rows: row(r, xMin, xMax) for row r of the ellipse, whose
// outline is x from xMin to xMax and mirrored. It starts at the middle row,
// moves outwards up and down at once, and stops once both its rows are
// outside the surface rows [bandTop, bandEnd).
template <typename Row>
void WalkEllipse(int64_t top, int64_t w, int64_t h, int64_t bandTop, int64_t bandEnd, Row &&row)
{
    if (top + h <= bandTop || top >= bandEnd) {
        return;
    }
    const int64_t a = w - 1;
    const int64_t b = h - 1;
    const int64_t asq = 8 * a * a;
    const int64_t bsq = 8 * b * b;
    int64_t dx = 4 * b * b * (1 - a);
    int64_t dy = 4 * a * a * (1 + (b % 2));
    int64_t err = dx + dy + a * a * (b % 2);

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
            for (const int64_t r : {h - 1 - y, y}) {
                if (r >= 0 && r < h) {
                    row(r, x, runMax);
                }
            }
            runMax = nextX;
        }
        x = nextX;
        y = nextY;
    }
}

} // namespace pixel_rules

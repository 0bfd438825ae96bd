#include "render/Rasteriser.h"

#include "pattern/PatternLayout.h"

#include <algorithm>
#include <utility>
#include <vector>

Rasteriser::Rasteriser(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount,
                       uint32_t *pixels)
    : width_(surfaceWidth), height_(surfaceHeight), firstRow_(firstRow), endRow_(firstRow + rowCount),
      pixels_(pixels)
{
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
        std::fill(line + left, line + right, colour);
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
// leftmost to its rightmost outline pixel. Fill first, outline on top.
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
    if (bottom <= std::max(firstRow_, 0) || top >= std::min(endRow_, height_)) {
        return;
    }

    const int64_t a = w - 1;
    const int64_t b = h - 1;
    const int64_t asq = 8 * a * a;
    const int64_t bsq = 8 * b * b;
    int64_t dx = 4 * b * b * (1 - a);
    int64_t dy = 4 * a * a * (1 + (b % 2));
    int64_t err = dx + dy + a * a * (b % 2);

    // Outline pixels of the upper right quadrant, as (x, y) in the box.
    std::vector<std::pair<int64_t, int64_t>> quadrant;
    for (int64_t x = a, y = h / 2; x >= w / 2;) {
        quadrant.emplace_back(x, h - 1 - y);
        const int64_t e2 = 2 * err;
        if (e2 >= dx) {
            --x;
            dx += bsq;
            err += dx;
        }
        if (e2 <= dy) {
            ++y;
            dy += asq;
            err += dy;
        }
    }

    // Leftmost and rightmost outline x of each row of the box, mirrored.
    int64_t rowMin = h;
    int64_t rowMax = -1;
    std::vector<std::pair<int64_t, int64_t>> rowSpan(static_cast<size_t>(h), {w, -1});
    auto mark = [&](int64_t x, int64_t y) {
        if (y < 0 || y >= h) {
            return;
        }
        auto &span = rowSpan[static_cast<size_t>(y)];
        span.first = std::min(span.first, x);
        span.second = std::max(span.second, x);
        rowMin = std::min(rowMin, y);
        rowMax = std::max(rowMax, y);
    };
    for (const auto &[x, y] : quadrant) {
        mark(x, y);
        mark(w - 1 - x, y);
        mark(x, h - 1 - y);
        mark(w - 1 - x, h - 1 - y);
    }
    for (int64_t y = rowMin; y <= rowMax; ++y) {
        const auto &span = rowSpan[static_cast<size_t>(y)];
        if (span.first <= span.second) {
            Box(left + span.first, top + y, left + span.second + 1, top + y + 1, brush_);
        }
    }
    for (const auto &[x, y] : quadrant) {
        Box(left + x, top + y, left + x + 1, top + y + 1, pen_);
        Box(left + w - 1 - x, top + y, left + w - x, top + y + 1, pen_);
        Box(left + x, top + h - 1 - y, left + x + 1, top + h - y, pen_);
        Box(left + w - 1 - x, top + h - 1 - y, left + w - x, top + h - y, pen_);
    }
}

void RenderPatternBand(int32_t width, int32_t height, int32_t firstRow, int32_t rowCount, uint32_t *pixels)
{
    std::fill(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(rowCount), 0u);
    PatternLayout(width, height, Rasteriser(width, height, firstRow, rowCount, pixels));
}

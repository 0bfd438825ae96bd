#include "render/Rasteriser.h"

#include "pattern/PatternLayout.h"

#include <algorithm>
#include <utility>

namespace {

// The entry rules, shared by both rasterisers so that they paint the same
// pixels.

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

void Fill(uint32_t *row, int32_t left, int32_t right, uint32_t colour)
{
    if (left < right) {
        std::fill(row + left, row + right, colour);
    }
}

} // namespace

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

Rasteriser::Rasteriser(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount,
                       uint32_t *pixels, uint32_t alpha)
    : band_(surfaceWidth, surfaceHeight, firstRow, rowCount), pixels_(pixels), alpha_(alpha)
{
}

void Rasteriser::operator()(const PatternOp &op)
{
    DrawEntry(*this, tools_, op);
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
    WalkEllipse(top, w, h, band_.firstRow, band_.endRow, [&](int64_t row, int64_t xMin, int64_t xMax) {
        const int64_t rowTop = top + row;
        Box(left + w - 1 - xMax, rowTop, left + xMax + 1, rowTop + 1, tools.brush);
        Box(left + xMin, rowTop, left + xMax + 1, rowTop + 1, tools.pen);
        Box(left + w - 1 - xMax, rowTop, left + w - xMin, rowTop + 1, tools.pen);
    });
}

RowRasteriser::RowRasteriser(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount,
                             uint32_t alpha)
    : band_(surfaceWidth, surfaceHeight, firstRow, rowCount), alpha_(alpha)
{
}

void RowRasteriser::operator()(const PatternOp &op)
{
    DrawEntry(*this, tools_, op);
}

void RowRasteriser::Box(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour)
{
    if (!band_.Clip(left, top, right, bottom)) {
        return;
    }
    RowEntry box;
    box.top = static_cast<int32_t>(top);
    box.bottom = static_cast<int32_t>(bottom);
    box.colour = colour | alpha_;
    box.left = static_cast<int32_t>(left);
    box.width = static_cast<int32_t>(right - left);
    if (entries_.Size() > 0) {
        RowEntry &last = entries_[entries_.Size() - 1];
        if (!last.isEllipse && last.top == box.top && last.bottom == box.bottom && last.colour == box.colour &&
            last.width == box.width) {
            if (last.count == 1 && box.left > last.left) {
                last.step = box.left - last.left;
                last.count = 2;
                return;
            }
            if (last.count > 1 && box.left == last.left + last.count * last.step) {
                ++last.count;
                return;
            }
        }
    }
    Add(box);
}

void RowRasteriser::Ellipse(int64_t left, int64_t top, int64_t w, int64_t h, PenAndBrush tools)
{
    const int64_t first = std::max<int64_t>(top, band_.firstRow);
    const int64_t end = std::min<int64_t>(top + h, band_.endRow);
    if (first >= end) {
        return;
    }
    RowEntry ellipse;
    ellipse.top = static_cast<int32_t>(first);
    ellipse.bottom = static_cast<int32_t>(end);
    ellipse.colour = tools.pen | alpha_;
    ellipse.left = static_cast<int32_t>(std::clamp<int64_t>(left, 0, band_.width));
    ellipse.width = static_cast<int32_t>(std::clamp<int64_t>(left + w, 0, band_.width)) - ellipse.left;
    ellipse.isEllipse = true;
    ellipse.brush = tools.brush | alpha_;
    ellipse.firstRow = ellipseRows_.Size();
    // Rows the walk does not reach stay empty.
    if (!Add(ellipse) || !ellipseRows_.Resize(ellipseRows_.Size() + static_cast<size_t>(end - first))) {
        complete_ = false;
        return;
    }
    const auto clip = [this](int64_t from, int64_t to) {
        return Span{static_cast<int32_t>(std::clamp<int64_t>(from, 0, band_.width)),
                    static_cast<int32_t>(std::clamp<int64_t>(to, 0, band_.width))};
    };
    WalkEllipse(top, w, h, band_.firstRow, band_.endRow, [&](int64_t row, int64_t xMin, int64_t xMax) {
        if (top + row >= first && top + row < end) {
            ellipseRows_[ellipse.firstRow + static_cast<size_t>(top + row - first)] =
                EllipseRow{clip(left + w - 1 - xMax, left + xMax + 1),
                           {clip(left + xMin, left + xMax + 1), clip(left + w - 1 - xMax, left + w - xMin)}};
        }
    });
}

bool RowRasteriser::Add(const RowEntry &entry)
{
    if (!entries_.Resize(entries_.Size() + 1)) {
        complete_ = false;
        return false;
    }
    entries_[entries_.Size() - 1] = entry;
    return true;
}

// Rows that the same entries cross look the same but for their ellipses: each
// run of them is drawn once without its ellipses into its first row, which
// the others copy. Inside an ellipse's fill a row is the same too but for the
// outline: the brush with the later boxes over it, drawn once into a row of
// its own for the run and copied over the fill, which is still in the cache.
// Only the outline and the later boxes over it are drawn row by row. So each
// pixel goes out to memory once, and is mostly written by copying. The first
// row gets its ellipses last, as it is the one copied.
bool RowRasteriser::Draw(uint32_t *pixels) const
{
    PlainArray<Planned> plan;
    PlainArray<uint32_t> insides;
    if (!complete_) {
        return false;
    }
    const size_t width = static_cast<size_t>(band_.width);
    if (width == 0) {
        return true;
    }
    for (int32_t top = band_.firstRow, bottom; top < band_.endRow; top = bottom) {
        // Down to the next row where an entry starts or ends.
        bottom = band_.endRow;
        for (const RowEntry &entry : entries_) {
            if (entry.top > top) {
                bottom = std::min(bottom, entry.top);
            } else if (entry.bottom > top) {
                bottom = std::min(bottom, entry.bottom);
            }
        }
        const auto crosses = [top](const RowEntry &entry) { return entry.top <= top && entry.bottom > top; };

        uint32_t *first = pixels + static_cast<size_t>(top - band_.firstRow) * width;
        std::fill(first, first + width, alpha_);
        for (const RowEntry &entry : entries_) {
            if (!entry.isEllipse && crosses(entry)) {
                Paint(first, entry, 0, band_.width);
            }
        }
        // Each ellipse, and after it the later boxes that reach into its
        // columns, which are drawn over its inside.
        size_t planned = 0;
        size_t insideEnd = 0;
        for (const RowEntry *ellipse = entries_.begin(); ellipse != entries_.end(); ++ellipse) {
            if (!ellipse->isEllipse || !crosses(*ellipse)) {
                continue;
            }
            const size_t inside = insideEnd;
            insideEnd += width;
            if (!insides.Resize(insideEnd)) {
                return false;
            }
            uint32_t *insideRow = &insides[inside];
            std::fill(insideRow + ellipse->left, insideRow + Right(*ellipse), ellipse->brush);
            for (const RowEntry *entry = ellipse; entry != entries_.end(); ++entry) {
                if (entry == ellipse || (!entry->isEllipse && crosses(*entry) && entry->left < Right(*ellipse) &&
                                         ellipse->left < Right(*entry))) {
                    if (!plan.Resize(planned + 1)) {
                        return false;
                    }
                    plan[planned++] = Planned{entry, inside};
                    if (entry != ellipse) {
                        Paint(insideRow, *entry, ellipse->left, Right(*ellipse));
                    }
                }
            }
        }

        for (int32_t y = top + 1; y < bottom; ++y) {
            uint32_t *row = pixels + static_cast<size_t>(y - band_.firstRow) * width;
            std::copy(first, first + width, row);
            PaintEllipses(row, y, plan, planned, insides);
        }
        PaintEllipses(first, top, plan, planned, insides);
    }
    return true;
}

// Each ellipse's fill at row y: its inside, then its outline with the later
// boxes over it. A later ellipse draws its own fill again in its turn.
void RowRasteriser::PaintEllipses(uint32_t *row, int32_t y, const PlainArray<Planned> &plan, size_t planned,
                                  const PlainArray<uint32_t> &insides) const
{
    const EllipseRow *spans = nullptr;
    for (size_t at = 0; at < planned; ++at) {
        const RowEntry &entry = *plan[at].entry;
        if (entry.isEllipse) {
            spans = &RowOf(entry, y);
            const uint32_t *inside = &insides[plan[at].inside];
            std::copy(inside + spans->fill.left, inside + spans->fill.right, row + spans->fill.left);
        }
        for (const Span &outline : spans->outline) {
            if (entry.isEllipse) {
                Fill(row, outline.left, outline.right, entry.colour);
            } else {
                Paint(row, entry, outline.left, outline.right);
            }
        }
    }
}

// Where the entry's columns end.
int32_t RowRasteriser::Right(const RowEntry &entry)
{
    return entry.left + (entry.count - 1) * entry.step + entry.width;
}

const RowRasteriser::EllipseRow &RowRasteriser::RowOf(const RowEntry &ellipse, int32_t y) const
{
    return ellipseRows_[ellipse.firstRow + static_cast<size_t>(y - ellipse.top)];
}

// A box entry's pixels on a row it crosses that fall in [clipLeft, clipRight).
void RowRasteriser::Paint(uint32_t *row, const RowEntry &entry, int32_t clipLeft, int32_t clipRight) const
{
    if (entry.left >= clipRight || Right(entry) <= clipLeft) {
        return;
    }
    // From the first box that reaches past clipLeft.
    const int32_t behind = clipLeft - entry.left - entry.width;
    for (int32_t k = behind >= 0 ? behind / entry.step + 1 : 0; k < entry.count; ++k) {
        const int32_t x = entry.left + k * entry.step;
        if (x >= clipRight) {
            break;
        }
        Fill(row, std::max(x, clipLeft), std::min(x + entry.width, clipRight), entry.colour);
    }
}

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

#include "raster/RowRasteriser.h"

#include "raster/PixelRules.h"

#include <algorithm>

#include <string.h>

namespace {

// Every fill of the row rasteriser comes here. Two pixels to a store, as
// without SIMD WebAssembly has no wider one; and the colour by value, as
// std::fill takes a reference, which, where it points at memory the fill
// might write, makes it reload the colour for every pixel.
void Fill(uint32_t *row, int32_t left, int32_t right, uint32_t colour)
{
    const uint64_t pair = uint64_t{colour} << 32 | colour;
    for (; right - left >= 2; left += 2) {
        memcpy(row + left, &pair, sizeof pair);
    }
    if (left < right) {
        row[left] = colour;
    }
}

void CopySpan(const uint32_t *from, int32_t left, int32_t right, uint32_t *row)
{
    if (left < right) {
        std::copy(from + left, from + right, row + left);
    }
}

} // namespace

RowRasteriser::RowRasteriser(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount,
                             uint32_t alpha)
    : band_(surfaceWidth, surfaceHeight, firstRow, rowCount), alpha_(alpha)
{
}

void RowRasteriser::operator()(const PatternOp &op)
{
    pixel_rules::DrawEntry(*this, tools_, op);
}

void RowRasteriser::Box(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour)
{
    if (!band_.Clip(left, top, right, bottom)) {
        return;
    }
    // Compared member by member before any entry is made: comparing a whole
    // entry just written to the stack stalls, once for each of the line
    // field's thousand lines.
    const int32_t x = static_cast<int32_t>(left);
    const int32_t y = static_cast<int32_t>(top);
    const int32_t endY = static_cast<int32_t>(bottom);
    const int32_t width = static_cast<int32_t>(right - left);
    colour |= alpha_;
    if (entries_.Size() > 0) {
        RowEntry &last = entries_[entries_.Size() - 1];
        if (!last.isEllipse && last.top == y && last.bottom == endY && last.colour == colour && last.width == width) {
            if (last.count == 1 && x > last.left) {
                last.step = x - last.left;
                last.count = 2;
                return;
            }
            if (last.count > 1 && x == last.left + last.count * last.step) {
                ++last.count;
                return;
            }
        }
    }
    RowEntry box;
    box.top = y;
    box.bottom = endY;
    box.colour = colour;
    box.left = x;
    box.width = width;
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
    ellipse.shapeLeft = left;
    ellipse.shapeTop = top;
    // The pattern's ellipses come in fours of a size: each size is walked once.
    while (ellipse.shape < shapes_.Size() && (shapes_[ellipse.shape].w != w || shapes_[ellipse.shape].h != h)) {
        ++ellipse.shape;
    }
    if (ellipse.shape == shapes_.Size()) {
        const size_t firstOutline = outlines_.Size();
        if (!shapes_.Resize(ellipse.shape + 1) || !outlines_.Resize(firstOutline + static_cast<size_t>(h + 1) / 2)) {
            complete_ = false;
            return;
        }
        shapes_[ellipse.shape] = Shape{w, h, firstOutline};
        pixel_rules::WalkEllipse(0, w, h, 0, h, [&](int64_t row, int64_t xMin, int64_t xMax) {
            outlines_[firstOutline + static_cast<size_t>(std::min(row, h - 1 - row))] =
                Outline{static_cast<int32_t>(xMin), static_cast<int32_t>(xMax)};
        });
    }
    Add(ellipse);
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
// the others copy. The same boxes cross every row of the run, so each
// ellipse's pixels there come from two rows drawn once for the run: its
// inside (the brush with the later boxes over it) and its outline (the pen
// with the later boxes over it), copied into each row's fill and outline
// spans. A row whose ellipses' outlines are those of the row above is that
// row again. So each pixel goes out to memory once, and is mostly written by
// copying. The first row gets its ellipses last, as it is the one copied.
bool RowRasteriser::Draw(uint32_t *pixels) const
{
    PlainArray<Planned> plan;
    PlainArray<uint32_t> sources;
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

        const auto boxCrosses = [&](const RowEntry &entry) { return !entry.isEllipse && crosses(entry); };
        // A box of the background's colour where no box before it reaches,
        // such as the frame's inside, is there already.
        const auto alreadyThere = [&](const RowEntry *entry) {
            return entry->colour == alpha_ && std::none_of(entries_.begin(), entry, [&](const RowEntry &before) {
                       return boxCrosses(before) && Reaches(before, entry->left, Right(*entry));
                   });
        };

        uint32_t *first = pixels + static_cast<size_t>(top - band_.firstRow) * width;
        Fill(first, 0, band_.width, alpha_);
        for (const RowEntry *entry = entries_.begin(); entry != entries_.end(); ++entry) {
            if (boxCrosses(*entry) && !alreadyThere(entry)) {
                Paint(first, *entry, 0, band_.width);
            }
        }
        size_t planned = 0;
        for (const RowEntry *ellipse = entries_.begin(); ellipse != entries_.end(); ++ellipse) {
            if (!ellipse->isEllipse || !crosses(*ellipse)) {
                continue;
            }
            // Grown, never shrunk, so that its rows are not cleared for each run.
            const size_t inside = 2 * width * planned;
            if (!plan.Resize(std::max(plan.Size(), planned + 1)) ||
                !sources.Resize(std::max(sources.Size(), inside + 2 * width))) {
                return false;
            }
            plan[planned++] = Planned{ellipse, inside};
            uint32_t *insideRow = &sources[inside];
            uint32_t *outlineRow = insideRow + width;
            Fill(insideRow, ellipse->left, Right(*ellipse), ellipse->brush);
            Fill(outlineRow, ellipse->left, Right(*ellipse), ellipse->colour);
            for (const RowEntry *entry = ellipse + 1; entry != entries_.end(); ++entry) {
                if (boxCrosses(*entry) && Reaches(*entry, ellipse->left, Right(*ellipse))) {
                    Paint(insideRow, *entry, ellipse->left, Right(*ellipse));
                    Paint(outlineRow, *entry, ellipse->left, Right(*ellipse));
                }
            }
        }

        for (int32_t y = top + 1; y < bottom; ++y) {
            uint32_t *row = pixels + static_cast<size_t>(y - band_.firstRow) * width;
            if (y > top + 1 && std::all_of(plan.begin(), plan.begin() + planned, [&](const Planned &p) {
                    return OutlineOf(*p.ellipse, y) == OutlineOf(*p.ellipse, y - 1);
                })) {
                std::copy(row - width, row, row);
            } else {
                PaintEllipses(row, y, plan, planned, sources, first);
            }
        }
        PaintEllipses(first, top, plan, planned, sources, nullptr);
    }
    return true;
}

// Row y's ellipses, each over the ones before it, and the rest of the row
// from base unless it is there already. Base is copied left to right up to
// each fill and resumes after the furthest so far, so under fills that come
// left to right, as the pattern's do, it is not copied at all.
void RowRasteriser::PaintEllipses(uint32_t *row, int32_t y, const PlainArray<Planned> &plan, size_t planned,
                                  const PlainArray<uint32_t> &sources, const uint32_t *base) const
{
    int32_t copied = 0; // base is in place up to here, and every fill so far ends before it
    for (size_t at = 0; at < planned; ++at) {
        const EllipseRow spans = RowOf(*plan[at].ellipse, y);
        if (base && spans.fill.left < spans.fill.right) {
            CopySpan(base, copied, spans.fill.left, row);
            copied = std::max(copied, spans.fill.right);
        }
        const uint32_t *inside = &sources[plan[at].inside];
        const uint32_t *outline = inside + band_.width;
        CopySpan(inside, spans.fill.left, spans.fill.right, row);
        for (const Span &span : spans.outline) {
            CopySpan(outline, span.left, span.right, row);
        }
    }
    if (base) {
        CopySpan(base, copied, band_.width, row);
    }
}

// Where the entry's columns end.
int32_t RowRasteriser::Right(const RowEntry &entry)
{
    return entry.left + (entry.count - 1) * entry.step + entry.width;
}

const RowRasteriser::Outline &RowRasteriser::OutlineOf(const RowEntry &ellipse, int32_t y) const
{
    const Shape &shape = shapes_[ellipse.shape];
    const int64_t row = y - ellipse.shapeTop;
    return outlines_[shape.firstOutline + static_cast<size_t>(std::min(row, shape.h - 1 - row))];
}

RowRasteriser::EllipseRow RowRasteriser::RowOf(const RowEntry &ellipse, int32_t y) const
{
    const Outline &outline = OutlineOf(ellipse, y);
    const int64_t left = ellipse.shapeLeft;
    const int64_t w = shapes_[ellipse.shape].w;
    const auto clip = [this](int64_t from, int64_t to) {
        return Span{static_cast<int32_t>(std::clamp<int64_t>(from, 0, band_.width)),
                    static_cast<int32_t>(std::clamp<int64_t>(to, 0, band_.width))};
    };
    return EllipseRow{clip(left + w - 1 - outline.xMax, left + outline.xMax + 1),
                      {clip(left + outline.xMin, left + outline.xMax + 1),
                       clip(left + w - 1 - outline.xMax, left + w - outline.xMin)}};
}

// The first of a box entry's boxes that reaches past column x.
int32_t RowRasteriser::FirstBoxPast(const RowEntry &entry, int32_t x)
{
    const int32_t behind = x - entry.left - entry.width;
    return behind >= 0 ? behind / entry.step + 1 : 0;
}

// Whether a box entry's boxes reach into [left, right).
bool RowRasteriser::Reaches(const RowEntry &entry, int32_t left, int32_t right)
{
    const int32_t k = FirstBoxPast(entry, left);
    return k < entry.count && entry.left + k * entry.step < right;
}

// A box entry's pixels on a row it crosses that fall in [clipLeft, clipRight).
void RowRasteriser::Paint(uint32_t *row, const RowEntry &entry, int32_t clipLeft, int32_t clipRight) const
{
    for (int32_t k = FirstBoxPast(entry, clipLeft); k < entry.count; ++k) {
        const int32_t x = entry.left + k * entry.step;
        if (x >= clipRight) {
            break;
        }
        Fill(row, std::max(x, clipLeft), std::min(x + entry.width, clipRight), entry.colour);
    }
}

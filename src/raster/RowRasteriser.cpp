#include "raster/RowRasteriser.h"

#include "raster/PixelRules.h"

#include <algorithm>

#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A band larger than this, more than most processors' caches hold, goes out
// to memory with streaming stores: they write whole lines of memory without
// reading them first, in about half the time of stores through the cache. A
// band the cache holds, such as the renderer's few rows, is faster written
// through it. SSE2, which every x86-64 processor has, makes them;
// WebAssembly without SIMD has none.
#if defined(__SSE2__)
constexpr size_t StreamedBandBytes = size_t{32} << 20;
#else
constexpr size_t StreamedBandBytes = SIZE_MAX;
#endif

// A row put together in the cache, out to a band that is streamed.
void StreamRow(uint32_t *to, const uint32_t *from, size_t count)
{
#if defined(__SSE2__)
    for (; count > 0 && reinterpret_cast<uintptr_t>(to) % 16 != 0; --count) {
        *to++ = *from++;
    }
    for (; count >= 4; count -= 4, to += 4, from += 4) {
        _mm_stream_si128(reinterpret_cast<__m128i *>(to), _mm_loadu_si128(reinterpret_cast<const __m128i *>(from)));
    }
#endif
    memcpy(to, from, count * sizeof *to);
}

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
// run of them is drawn once without its ellipses, as the run's base row. The
// same boxes cross every row of the run, so each ellipse's pixels there come
// from two rows drawn once for the run: its inside (the brush with the later
// boxes over it) and its outline (the pen with the later boxes over it),
// copied into each row's fill and outline spans. A row whose ellipses'
// outlines are those of the row above is that row again. So each pixel is
// written once, by copying. A band the cache holds is drawn in place, each
// row from the base and the ellipses' rows or from the row above. A band that
// goes out to memory, where reading a row back is slow, is put together a
// row at a time in working memory, where each row changes from the one above
// only where an outline moved, and streamed out from there.
bool RowRasteriser::Draw(uint32_t *pixels) const
{
    PlainArray<Planned> plan;
    PlainArray<uint32_t> sources; // the base row, the row being put together, each ellipse's two rows
    if (!complete_) {
        return false;
    }
    const size_t width = static_cast<size_t>(band_.width);
    if (width == 0) {
        return true;
    }
    const bool streamed = width * static_cast<size_t>(band_.endRow - band_.firstRow) * sizeof *pixels > StreamedBandBytes;
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

        if (!sources.Resize(std::max(sources.Size(), 2 * width))) {
            return false;
        }
        Fill(&sources[0], 0, band_.width, alpha_);
        for (const RowEntry *entry = entries_.begin(); entry != entries_.end(); ++entry) {
            if (boxCrosses(*entry) && !alreadyThere(entry)) {
                Paint(&sources[0], *entry, 0, band_.width);
            }
        }
        size_t planned = 0;
        for (const RowEntry *ellipse = entries_.begin(); ellipse != entries_.end(); ++ellipse) {
            if (!ellipse->isEllipse || !crosses(*ellipse)) {
                continue;
            }
            // Grown, never shrunk, so that its rows are not cleared for each run.
            const size_t inside = 2 * width * (planned + 1);
            if (!plan.Resize(std::max(plan.Size(), planned + 1)) ||
                !sources.Resize(std::max(sources.Size(), inside + 2 * width))) {
                return false;
            }
            plan[planned++] = Planned{ellipse, inside, {}, {}, {}, false};
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

        for (size_t at = 0; at < planned; ++at) {
            Planned &p = plan[at];
            p.outline = OutlineOf(*p.ellipse, top);
            p.spans = RowOf(*p.ellipse, p.outline);
        }
        uint32_t *const line = &sources[width]; // where a streamed band's rows are put together
        for (int32_t y = top; y < bottom; ++y) {
            uint32_t *const row = pixels + static_cast<size_t>(y - band_.firstRow) * width;
            const bool moved = y == top || MoveOutlines(plan, planned, y);
            if (!streamed) {
                if (moved) {
                    PaintEllipses(row, plan, planned, sources, Span{0, band_.width});
                } else {
                    memcpy(row, row - width, width * sizeof *row);
                }
                continue;
            }
            if (y == top) {
                PaintEllipses(line, plan, planned, sources, Span{0, band_.width});
            } else {
                for (const Planned *p = plan.begin(); p != plan.begin() + planned; ++p) {
                    if (p->moved) {
                        for (const Span &changed : RowOf(*p->ellipse, p->changed).outline) {
                            PaintEllipses(line, plan, planned, sources, changed);
                        }
                    }
                }
            }
            StreamRow(row, line, width);
        }
    }
#if defined(__SSE2__)
    if (streamed) {
        _mm_sfence(); // the streaming stores seen before anything after
    }
#endif
    return true;
}

// Moves each ellipse on to row y, saying which moved and where their new
// row differs from the one above, and whether any did.
bool RowRasteriser::MoveOutlines(PlainArray<Planned> &plan, size_t planned, int32_t y) const
{
    bool any = false;
    for (size_t at = 0; at < planned; ++at) {
        Planned &p = plan[at];
        const Outline &outline = OutlineOf(*p.ellipse, y);
        p.moved = !(outline == p.outline);
        if (p.moved) {
            // The two rows differ only where an outline that spans both of
            // theirs lies: between its two spans the ellipse is inside on
            // both rows, and beyond them outside.
            p.changed = Outline{std::min(outline.xMin, p.outline.xMin), std::max(outline.xMax, p.outline.xMax)};
            p.outline = outline;
            p.spans = RowOf(*p.ellipse, outline);
            any = true;
        }
    }
    return any;
}

// The row's columns from left to right as the run's base row with its
// ellipses' spans over it, each over the ones before it. The base is copied
// left to right up to each fill and resumes after the furthest so far, so
// under fills that come left to right, as the pattern's do, it is not copied
// at all.
void RowRasteriser::PaintEllipses(uint32_t *row, const PlainArray<Planned> &plan, size_t planned,
                                  const PlainArray<uint32_t> &sources, Span columns) const
{
    const auto within = [columns](Span span) {
        return Span{std::max(span.left, columns.left), std::min(span.right, columns.right)};
    };
    const uint32_t *const base = sources.begin();
    const size_t width = static_cast<size_t>(band_.width);
    int32_t copied = columns.left; // base is in place up to here, and every fill so far ends before it
    for (const Planned *p = plan.begin(); p != plan.begin() + planned; ++p) {
        const Span fill = within(p->spans.fill);
        if (fill.left >= fill.right) {
            continue; // and so does its outline, which lies inside its fill
        }
        const uint32_t *const inside = base + p->inside;
        const Span outline[2] = {within(p->spans.outline[0]), within(p->spans.outline[1])};
        CopySpan(base, copied, fill.left, row);
        copied = std::max(copied, fill.right);
        CopySpan(inside, fill.left, fill.right, row);
        for (const Span &part : outline) {
            CopySpan(inside + width, part.left, part.right, row);
        }
    }
    CopySpan(base, copied, columns.right, row);
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

// Inline, so that the spans it makes stay in registers: returned through
// memory, they are stored a member at a time and loaded wider, which stalls.
inline RowRasteriser::EllipseRow RowRasteriser::RowOf(const RowEntry &ellipse, const Outline &outline) const
{
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

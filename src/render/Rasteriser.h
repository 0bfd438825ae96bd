// Draws pattern entries onto a band of rows of a 32-bit pixel surface,
// painting exactly the pixels the platform's graphics interface paints for
// the same calls with a one-pixel solid pen. Rendering band by band keeps
// memory independent of the image's height.
#pragma once

#include "pattern/PatternOp.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <type_traits>

// The rasteriser's limits, the one place they are stated and checked: a
// surface up to RasterSideLimit pixels on each side (the largest PNG the
// renderer writes, and the largest canvas browsers allow), and a band of
// whole rows inside it. Within them every entry the layout makes is drawn
// exactly and all arithmetic stays well inside 64 bits. A Rasteriser made
// for anything else draws nothing.
inline constexpr int32_t RasterSideLimit = 32767;

constexpr bool RasterBandFits(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount)
{
    return surfaceWidth >= 0 && surfaceWidth <= RasterSideLimit && surfaceHeight >= 0 &&
           surfaceHeight <= RasterSideLimit && firstRow >= 0 && rowCount >= 0 && rowCount <= surfaceHeight - firstRow;
}

// Pixels are COLORREF values, 0x00BBGGRR, with this in their top byte: none
// for the platform's own values, or full alpha, which makes each pixel the
// red, green, blue and alpha bytes a browser's canvas takes.
inline constexpr uint32_t NoAlpha = 0;
inline constexpr uint32_t OpaqueAlpha = 0xFF000000u;

// What a device context carries from one entry to the next; a new one starts
// with a black pen and a white brush.
struct PenAndBrush {
    uint32_t pen = 0x000000;
    uint32_t brush = 0xFFFFFF;
};

// The rows firstRow .. endRow - 1 of a surface width pixels wide that a
// rasteriser draws on. Outside the limits it is empty, so every drawing is
// clipped away.
struct RasterBand {
    RasterBand(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount);

    // Clips [left, right) x [top, bottom) to the band; false if nothing is left.
    bool Clip(int64_t &left, int64_t &top, int64_t &right, int64_t &bottom) const;

    int32_t width = 0;
    int32_t firstRow = 0;
    int32_t endRow = 0;
};

// Both rasterisers take entries as the layout hands them over and draw them
// by the same rules; every entry comes down to solid boxes and ellipses,
// Box and Ellipse below, which the rules in Rasteriser.cpp call.

// Draws each entry as it comes, straight onto the band: the reference for the
// pixel rules.
class Rasteriser {
public:
    // pixels holds rowCount rows of surfaceWidth pixels, the rows firstRow ..
    // firstRow + rowCount - 1 of a surfaceWidth x surfaceHeight surface.
    // Drawing is clipped to the surface and to the band.
    Rasteriser(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount, uint32_t *pixels,
               uint32_t alpha = NoAlpha);

    void operator()(const PatternOp &op);

    void SetPen(uint32_t colour) { tools_.pen = colour; }
    void SetBrush(uint32_t colour) { tools_.brush = colour; }

    // [left, right) x [top, bottom), unclipped.
    void Box(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour);
    // A w x h ellipse, w and h from 3 to RasterSideLimit, outlined with the
    // pen and filled with the brush.
    void Ellipse(int64_t left, int64_t top, int64_t w, int64_t h, PenAndBrush tools);

private:
    RasterBand band_;
    uint32_t *pixels_;
    uint32_t alpha_;
    PenAndBrush tools_;
};

// A growable array of plain values on malloc. The web page's core is built
// without exceptions, where a standard container's failure paths abort
// through an import the page does not provide; this one says when it cannot
// grow instead.
template <typename T>
class PlainArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PlainArray() = default;
    PlainArray(const PlainArray &) = delete;
    PlainArray &operator=(const PlainArray &) = delete;
    ~PlainArray() { free(items_); }

    // New items are value-initialised. False, with nothing changed, when
    // memory runs out.
    bool Resize(size_t size)
    {
        if (size > capacity_) {
            const size_t capacity = size > 2 * capacity_ ? size : 2 * capacity_;
            void *items = capacity <= SIZE_MAX / sizeof(T) ? realloc(items_, capacity * sizeof(T)) : nullptr;
            if (!items) {
                return false;
            }
            items_ = static_cast<T *>(items);
            capacity_ = capacity;
        }
        for (size_t i = size_; i < size; ++i) {
            items_[i] = T{};
        }
        size_ = size;
        return true;
    }

    size_t Size() const { return size_; }
    T &operator[](size_t i) { return items_[i]; }
    const T &operator[](size_t i) const { return items_[i]; }
    const T *begin() const { return items_; }
    const T *end() const { return items_ + size_; }

private:
    T *items_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// Gathers the entries as a short list of row entries and draws the band a row
// at a time when asked, writing each pixel about once, mostly by copying rows
// drawn once (see Draw). Boxes of one colour over the same rows and evenly
// spaced, such as the field's lines, become one entry.
class RowRasteriser {
public:
    RowRasteriser(int32_t surfaceWidth, int32_t surfaceHeight, int32_t firstRow, int32_t rowCount,
                  uint32_t alpha = NoAlpha);

    void operator()(const PatternOp &op);

    void SetPen(uint32_t colour) { tools_.pen = colour; }
    void SetBrush(uint32_t colour) { tools_.brush = colour; }

    // Every pixel of the band's rows, black where no entry reaches. False
    // when memory ran out, with the band not or partly drawn.
    bool Draw(uint32_t *pixels) const;

    void Box(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour);
    void Ellipse(int64_t left, int64_t top, int64_t w, int64_t h, PenAndBrush tools);

private:
    // The outline of an ellipse's row r and of its mirror, row h - 1 - r:
    // the columns xMin to xMax from its left, and mirrored. A row the walk
    // does not reach is empty.
    struct Outline {
        int32_t xMin = 0;
        int32_t xMax = -1;
        bool operator==(const Outline &) const = default;
    };
    // A size of ellipse, and where the outlines of its top half start; every
    // ellipse of that size shares them.
    struct Shape {
        int64_t w;
        int64_t h;
        size_t firstOutline;
    };
    struct Span {
        int32_t left;
        int32_t right;
    };
    // One row of an ellipse, clipped to the surface: the fill spans the whole
    // row, and the outline is two spans inside it.
    struct EllipseRow {
        Span fill;
        Span outline[2];
    };

    // Boxes: count boxes of width pixels, each step to the right of the one
    // before, in colour. An ellipse: its pen is colour, it lies in the width
    // columns from left, and unclipped it is shapes_[shape] at shapeLeft,
    // shapeTop.
    struct RowEntry {
        int32_t top = 0; // rows [top, bottom) of the surface, inside the band
        int32_t bottom = 0;
        uint32_t colour = 0;
        int32_t left = 0;
        int32_t width = 0;
        int32_t step = 1;
        int32_t count = 1;
        bool isEllipse = false;
        uint32_t brush = 0;
        int64_t shapeLeft = 0;
        int64_t shapeTop = 0;
        size_t shape = 0;
    };

    bool Add(const RowEntry &entry);
    const Outline &OutlineOf(const RowEntry &ellipse, int32_t y) const;
    EllipseRow RowOf(const RowEntry &ellipse, int32_t y) const;
    void Paint(uint32_t *row, const RowEntry &entry, int32_t clipLeft, int32_t clipRight) const;

    // An ellipse that crosses a run of rows, and where its inside row starts
    // among the rows Draw makes for the run; its outline row follows.
    struct Planned {
        const RowEntry *ellipse;
        size_t inside;
    };

    void PaintEllipses(uint32_t *row, int32_t y, const PlainArray<Planned> &plan, size_t planned,
                       const PlainArray<uint32_t> &sources, const uint32_t *base) const;
    static int32_t Right(const RowEntry &entry);
    static int32_t FirstBoxPast(const RowEntry &entry, int32_t x);
    static bool Reaches(const RowEntry &entry, int32_t left, int32_t right);

    RasterBand band_;
    uint32_t alpha_;
    PenAndBrush tools_;
    bool complete_ = true;
    PlainArray<RowEntry> entries_;
    PlainArray<Shape> shapes_;
    PlainArray<Outline> outlines_;
};

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

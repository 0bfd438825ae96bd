// The row rasteriser, which every front end draws the pattern with: the same
// pixels as the reference rasteriser, written about once each.
#pragma once

#include "pattern/PatternOp.h"
#include "raster/PlainArray.h"
#include "raster/RasterSurface.h"

#include <stddef.h>
#include <stdint.h>

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
    EllipseRow RowOf(const RowEntry &ellipse, const Outline &outline) const;
    void Paint(uint32_t *row, const RowEntry &entry, int32_t clipLeft, int32_t clipRight) const;

    // An ellipse that crosses a run of rows, and where its inside row starts
    // among the rows Draw makes for the run; its outline row follows. Its
    // outline and spans on the row being drawn, and the columns where that
    // row differs from the row above, at its left edge and at its right.
    struct Planned {
        const RowEntry *ellipse;
        size_t inside;
        Outline outline;
        EllipseRow spans;
        Outline changed;
        bool moved;
    };

    bool MoveOutlines(PlainArray<Planned> &plan, size_t planned, int32_t y) const;
    void PaintEllipses(uint32_t *row, const PlainArray<Planned> &plan, size_t planned,
                       const PlainArray<uint32_t> &sources, Span columns) const;
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

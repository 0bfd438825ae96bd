// The test pattern as an ordered drawing list, computed from the client size
// alone. The list is handed entry by entry to a caller's sink instead of being
// stored: at the widest sizes it has over a billion entries, and the painting
// code runs inside WM_PAINT where it must not allocate.
#pragma once

#include "pattern/PatternOp.h"

#include <type_traits>

// Eleven equal columns across, four equal bands down; the remainder of the
// division is left over at the right and bottom edges.
struct PatternMetrics {
    int32_t u; // column width, W / 11
    int32_t q; // band height, H / 4
};

constexpr PatternMetrics PatternMetricsFor(int32_t width, int32_t height)
{
    return PatternMetrics{width / 11, height / 4};
}

// The grey ramp divides by 1 + i * c with c the float nearest one third, which
// is slightly above it: that is why box 2 is 152 and box 6 is 84.
// (The builtin rather than std::bit_cast: some standard libraries we build
// with lack the latter.)
inline constexpr float GreyRampStep = 1.0f / 3.0f;
static_assert(__builtin_bit_cast(uint32_t, GreyRampStep) == 0x3EAAAAABu);

struct GreyRampTable {
    uint32_t colour[7];
};

constexpr GreyRampTable MakeGreyRampTable()
{
    GreyRampTable table{};
    for (int i = 0; i < 7; ++i) {
        const double level = 255.0 / (1.0 + i * static_cast<double>(GreyRampStep));
        table.colour[i] = static_cast<uint32_t>(level) * 0x010101u;
    }
    return table;
}

// Evaluated by the compiler, so the program itself does no floating point.
inline constexpr GreyRampTable GreyRampColours = MakeGreyRampTable();

struct BarColour {
    bool red;
    bool green;
    bool blue;
};

inline constexpr BarColour BarColourTable[7] = {
    {true, true, true},   // white
    {true, true, false},  // yellow
    {true, false, true},  // magenta
    {false, true, true},  // cyan
    {true, false, false}, // red
    {false, true, false}, // green
    {false, false, true}, // blue
};

constexpr uint32_t BarColourRef(BarColour bar)
{
    return (bar.red ? 0x0000FFu : 0u) | (bar.green ? 0x00FF00u : 0u) | (bar.blue ? 0xFF0000u : 0u);
}

// Number of entries PatternLayout emits for a window this wide, whatever its
// height: 61 fixed ones plus one per field line.
constexpr int32_t PatternOpCount(int32_t width)
{
    const int32_t fieldLines = width / 2 - 10;
    return 61 + (fieldLines > 0 ? fieldLines : 0);
}

namespace pattern_detail {

// For H near INT32_MIN the bottom band's expressions (4q - 3, y + q - 1) leave
// the 32-bit range; the platform's integers wrap, so the list does too.
constexpr int32_t Wrapped(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// Hands one entry to the sink; false when the sink wants no more. A sink that
// returns nothing never stops the walk, and its checks compile away: always
// inlined, so that they do even in lightly optimised, sanitised builds.
template <typename Sink>
[[gnu::always_inline]] inline bool Emit(Sink &emit, PatternOpKind kind, int32_t left = 0, int32_t top = 0,
                                        int32_t right = 0, int32_t bottom = 0, uint32_t colour = 0)
{
    const PatternOp op{kind, left, top, right, bottom, colour};
    if constexpr (std::is_void_v<decltype(emit(op))>) {
        emit(op);
        return true;
    } else {
        return emit(op);
    }
}

template <typename Sink>
bool ScreenFrame(int32_t width, int32_t height, Sink &emit)
{
    return Emit(emit, PatternOpKind::DrawFrame, 0, 0, width, height);
}

// Vertical lines on every other pixel column; they follow W and H directly,
// not the column grid, and use the stock white pen selected first.
template <typename Sink>
bool LineField(int32_t width, int32_t height, PatternMetrics m, Sink &emit)
{
    const int32_t end = width / 2 - 5;
    for (int32_t i = 5; i < end; ++i) {
        if (!Emit(emit, PatternOpKind::DrawLine, 2 * i + 1, m.q, 2 * i + 1, height - m.q)) {
            return false;
        }
    }
    return true;
}

template <typename Sink>
bool GreyRamp(PatternMetrics m, Sink &emit)
{
    for (int32_t i = 0; i < 7; ++i) {
        if (!Emit(emit, PatternOpKind::FillBox, (2 + i) * m.u, 3, (3 + i) * m.u, m.q, GreyRampColours.colour[i])) {
            return false;
        }
    }
    return true;
}

template <typename Sink>
bool ColourBars(PatternMetrics m, Sink &emit)
{
    const int32_t bottom = Wrapped(4 * int64_t{m.q} - 3);
    for (int32_t k = 0; k < 7; ++k) {
        if (!Emit(emit, PatternOpKind::FillBox, (2 + k) * m.u, 3 * m.q, (3 + k) * m.u, bottom,
                  BarColourRef(BarColourTable[k]))) {
            return false;
        }
    }
    return true;
}

// A red circle filling the corner cell, a blue 3 x 3 grid over it, and a small
// red circle blotting out the grid's centre.
template <typename Sink>
bool CornerTarget(int32_t x, int32_t y, PatternMetrics m, Sink &emit)
{
    const int32_t u = m.u;
    const int32_t q = m.q;
    const int32_t cellBottom = Wrapped(int64_t{y} + q - 1);

    if (!Emit(emit, PatternOpKind::NewPen, 0, 0, 0, 0, PatternRed) ||
        !Emit(emit, PatternOpKind::DrawEllipse, x + 1, y + 1, x + 2 * u - 1, cellBottom) ||
        !Emit(emit, PatternOpKind::NewPen, 0, 0, 0, 0, PatternBlue)) {
        return false;
    }
    for (int32_t k = 1; k <= 3; ++k) {
        const int32_t lineX = x + (k * u) / 2;
        if (!Emit(emit, PatternOpKind::DrawLine, lineX, y + 1, lineX, cellBottom)) {
            return false;
        }
    }
    for (int32_t k = 1; k <= 3; ++k) {
        const int32_t lineY = y + (k * q) / 4;
        if (!Emit(emit, PatternOpKind::DrawLine, x + 1, lineY, x + 2 * u, lineY)) {
            return false;
        }
    }
    return Emit(emit, PatternOpKind::NewPen, 0, 0, 0, 0, PatternRed) &&
           Emit(emit, PatternOpKind::DrawEllipse, x + u / 2, y + q / 4, x + (3 * u) / 2, y + (3 * q) / 4);
}

} // namespace pattern_detail

// Emits the whole pattern for a client area of width x height, in drawing
// order, by calling emit(const PatternOp &) once per entry. Any size is
// accepted; degenerate boxes are emitted exactly as computed. A sink that
// returns bool may stop the walk by returning false; the result says whether
// the whole list was emitted.
template <typename Sink>
bool PatternLayout(int32_t width, int32_t height, Sink &&emit)
{
    using namespace pattern_detail;
    const PatternMetrics m = PatternMetricsFor(width, height);

    return Emit(emit, PatternOpKind::SelectWhitePen) && Emit(emit, PatternOpKind::SelectBlackBrush) &&
           ScreenFrame(width, height, emit) && LineField(width, height, m, emit) && GreyRamp(m, emit) &&
           ColourBars(m, emit) && CornerTarget(0, 0, m, emit) && CornerTarget(9 * m.u, 0, m, emit) &&
           CornerTarget(0, 3 * m.q, m, emit) && CornerTarget(9 * m.u, 3 * m.q, m, emit);
}

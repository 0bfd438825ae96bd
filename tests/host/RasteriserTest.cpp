#include "PatternTesting.h"

#include "raster/Rasteriser.h"
#include "raster/RowRasteriser.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t SurfaceWidth = 8;
constexpr int32_t SurfaceHeight = 6;
constexpr uint32_t Pen = 0x0000FF;
constexpr uint32_t Brush = 0x00FF00;
constexpr uint32_t Fill = 0xFF0000;

// Entries drawn on a black 8 x 6 surface, entry by entry and row by row, each
// as a picture: '.' black, 'o' pen, '#' brush, '*' the entries' own fill colour.
void ExpectPicture(const std::vector<PatternOp> &ops, const std::vector<std::string> &expected, const char *name)
{
    std::vector<uint32_t> byEntries(SurfaceWidth * SurfaceHeight), byRows(byEntries.size());
    Rasteriser entries(SurfaceWidth, SurfaceHeight, 0, SurfaceHeight, byEntries.data());
    RowRasteriser rows(SurfaceWidth, SurfaceHeight, 0, SurfaceHeight);
    entries.SetPen(Pen);
    entries.SetBrush(Brush);
    rows.SetPen(Pen);
    rows.SetBrush(Brush);
    for (const PatternOp &op : ops) {
        entries(op);
        rows(op);
    }
    rows.Draw(byRows.data());
    for (const auto &[pixels, how] : {std::pair{&byEntries, ", entry by entry"}, {&byRows, ", row by row"}}) {
        std::vector<std::string> picture;
        for (int32_t y = 0; y < SurfaceHeight; ++y) {
            std::string row;
            for (int32_t x = 0; x < SurfaceWidth; ++x) {
                const uint32_t pixel = (*pixels)[y * SurfaceWidth + x];
                row += pixel == 0 ? '.' : pixel == Pen ? 'o' : pixel == Brush ? '#' : pixel == Fill ? '*' : '?';
            }
            picture.push_back(row);
        }
        EXPECT_EQ(picture, expected) << name << how;
    }
}

struct Case {
    const char *name;
    PatternOp op;
    std::vector<std::string> picture;
};

PatternOp Box(PatternOpKind kind, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return PatternOp{kind, left, top, right, bottom, Fill};
}

const std::vector<std::string> Empty = {"........", "........", "........", "........", "........", "........"};

void ExpectPictures(const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        ExpectPicture({c.op}, c.picture, c.name);
    }
}

TEST(Rasteriser, RectangleOutlinesWithThePenAndFillsInsideWithTheBrush)
{
    const auto K = PatternOpKind::DrawFrame;
    const std::vector<std::string> fourByThree = {
        "........", ".oooo...", ".o##o...", ".oooo...", "........", "........"};
    ExpectPictures({
        {"4x3", Box(K, 1, 1, 5, 4), fourByThree},
        {"4x3 inverted", Box(K, 5, 4, 1, 1), fourByThree},
        {"zero width", Box(K, 2, 1, 2, 4), Empty},
        {"zero height", Box(K, 1, 2, 5, 2), Empty},
        {"1x1 paints nothing", Box(K, 2, 2, 3, 3), Empty},
        {"1x3 is a full line", Box(K, 2, 1, 3, 4), {"........", "..o.....", "..o.....", "..o.....", "........", "........"}},
        {"3x1 is a full line", Box(K, 1, 2, 4, 3), {"........", "........", ".ooo....", "........", "........", "........"}},
        {"2x2 is four border pixels", Box(K, 1, 1, 3, 3), {"........", ".oo.....", ".oo.....", "........", "........", "........"}},
        {"3x3 has one inside pixel", Box(K, 0, 0, 3, 3), {"ooo.....", "o#o.....", "ooo.....", "........", "........", "........"}},
        {"clipped at the surface", Box(K, -2, -2, 3, 3), {"##o.....", "##o.....", "ooo.....", "........", "........", "........"}},
    });
}

TEST(Rasteriser, LinePaintsItsStartAndStopsOneShortOfItsEnd)
{
    const auto K = PatternOpKind::DrawLine;
    ExpectPictures({
        {"rightwards", Box(K, 1, 2, 5, 2), {"........", "........", ".oooo...", "........", "........", "........"}},
        {"leftwards", Box(K, 5, 2, 1, 2), {"........", "........", "..oooo..", "........", "........", "........"}},
        {"downwards", Box(K, 3, 0, 3, 4), {"...o....", "...o....", "...o....", "...o....", "........", "........"}},
        {"upwards", Box(K, 3, 4, 3, 0), {"........", "...o....", "...o....", "...o....", "...o....", "........"}},
        {"zero length", Box(K, 3, 3, 3, 3), Empty},
        {"one pixel", Box(K, 3, 3, 4, 3), {"........", "........", "........", "...o....", "........", "........"}},
        {"clipped at the surface", Box(K, -3, 1, 3, 1), {"........", "ooo.....", "........", "........", "........", "........"}},
        {"beyond the surface", Box(K, 9, 1, 9, 5), Empty},
    });
}

TEST(Rasteriser, FillBoxFlipsInvertedExtentsWithAShiftOfOne)
{
    const auto K = PatternOpKind::FillBox;
    ExpectPictures({
        {"3x2", Box(K, 1, 1, 4, 3), {"........", ".***....", ".***....", "........", "........", "........"}},
        {"1x1", Box(K, 2, 2, 3, 3), {"........", "........", "..*.....", "........", "........", "........"}},
        {"inverted across", Box(K, 4, 1, 1, 3), {"........", "..***...", "..***...", "........", "........", "........"}},
        {"inverted both ways", Box(K, 4, 3, 1, 1), {"........", "........", "..***...", "..***...", "........", "........"}},
        {"zero width", Box(K, 2, 1, 2, 4), Empty},
        {"zero height", Box(K, 1, 3, 5, 3), Empty},
    });
}

TEST(Rasteriser, EllipseOutlinesAnIntegerWalkAndFillsBetweenIt)
{
    const auto K = PatternOpKind::DrawEllipse;
    const std::vector<std::string> fiveByFive = {
        "..ooo...", ".o###o..", ".o###o..", ".o###o..", "..ooo...", "........"};
    ExpectPictures({
        {"5x5", Box(K, 1, 0, 6, 5), fiveByFive},
        {"5x5 inverted", Box(K, 6, 5, 1, 0), fiveByFive},
        {"3x3", Box(K, 1, 1, 4, 4), {"........", "..o.....", ".o#o....", "..o.....", "........", "........"}},
        {"2 wide is a rectangle", Box(K, 1, 1, 3, 5), {"........", ".oo.....", ".oo.....", ".oo.....", ".oo.....", "........"}},
        {"2 high is a rectangle", Box(K, 1, 1, 6, 3), {"........", ".ooooo..", ".ooooo..", "........", "........", "........"}},
        {"1x1 is a rectangle: nothing", Box(K, 2, 2, 3, 3), Empty},
        {"zero width", Box(K, 2, 1, 2, 4), Empty},
    });
}

// Row by row, evenly spaced boxes are drawn as one entry, each size of ellipse is walked once, and rows
// an ellipse crosses are drawn again from the row above or from rows drawn once for their run.
TEST(Rasteriser, EntriesPaintInTheirOrder)
{
    const auto L = PatternOpKind::DrawLine;
    const auto E = PatternOpKind::DrawEllipse;
    const PatternOp fillPen{PatternOpKind::NewPen, 0, 0, 0, 0, Fill};
    const struct {
        const char *name;
        std::vector<PatternOp> ops;
        std::vector<std::string> picture;
    } cases[] = {
        {"evenly spaced lines, one out of step, a box, an ellipse and a line in another pen",
         {Box(L, 1, 0, 1, 6), Box(L, 3, 0, 3, 6), Box(L, 5, 0, 5, 6), Box(L, 6, 0, 6, 6),
          Box(PatternOpKind::FillBox, 2, 2, 7, 4), Box(E, 0, 0, 5, 5), fillPen, Box(L, 2, 2, 8, 2)},
         {".ooo.oo.", "o###ooo.", "o#******", "o###o**.", ".ooo.oo.", ".o.o.oo."}},
        {"a black box over an earlier box, an ellipse between them; a later ellipse of the same size, lower, "
         "clipped, and over the left of the first",
         {Box(PatternOpKind::FillBox, 0, 5, 8, 6), Box(E, 3, 0, 8, 5), PatternOp{PatternOpKind::FillBox, 5, 5, 7, 6, 0},
          fillPen, Box(E, -1, 1, 4, 6)},
         {"....ooo.", "***o###o", "###*###o", "###*###o", "###*ooo.", "*****..*"}},
        {"evenly spaced lines from left of a wide ellipse, over it",
         {Box(E, 1, 0, 8, 5), fillPen, Box(L, 0, 0, 0, 6), Box(L, 2, 0, 2, 6), Box(L, 4, 0, 4, 6)},
         {"*.*o*o..", "*o*#*#oo", "*o*#*##o", "*o*#*#oo", "*.*o*o..", "*.*.*..."}},
        {"ellipses as wide but not as high",
         {Box(E, 0, 0, 5, 5), Box(E, 3, 0, 8, 6)},
         {".oooooo.", "o##o###o", "o##o###o", "o##o###o", ".ooo###o", "....ooo."}},
    };
    for (const auto &c : cases) {
        ExpectPicture(c.ops, c.picture, c.name);
    }
}

TEST(Rasteriser, BandsTogetherMatchTheWholeImage)
{
    const int32_t width = 301;
    const int32_t height = 203;
    const std::vector<uint32_t> whole = RenderPattern(width, height);
    for (int32_t bandRows : {1, 7, 64}) {
        std::vector<uint32_t> band(static_cast<size_t>(width) * bandRows);
        for (int32_t top = 0; top < height; top += bandRows) {
            const int32_t rows = std::min(bandRows, height - top);
            RenderPatternBand(width, height, top, rows, band.data());
            for (int32_t y = 0; y < rows; ++y) {
                ASSERT_TRUE(std::equal(band.begin() + y * width, band.begin() + (y + 1) * width,
                                       whole.begin() + (top + y) * width))
                    << "row " << top + y << " in bands of " << bandRows;
            }
        }
    }
}

uint32_t PixelAt(const std::vector<uint32_t> &pixels, int32_t width, int32_t x, int32_t y)
{
    return pixels[static_cast<size_t>(y) * width + x];
}

TEST(Rasteriser, PaintsThePatternsLandmarks)
{
    struct Probe {
        int32_t width, height, x, y;
        uint32_t colour;
        const char *what;
    };
    const Probe probes[] = {
        {800, 600, 0, 0, 0xFFFFFF, "frame corner"},
        {800, 600, 799, 599, 0xFFFFFF, "opposite frame corner"},
        {800, 600, 1, 1, 0x000000, "inside the frame, outside the circle"},
        {800, 600, 11, 150, 0xFFFFFF, "first field line, top row"},
        {800, 600, 11, 449, 0xFFFFFF, "first field line, bottom row"},
        {800, 600, 11, 450, 0x000000, "below the field, left of the bars, above the circle"},
        {800, 600, 12, 300, 0x000000, "gap between field lines"},
        {800, 600, 789, 300, 0xFFFFFF, "last field line"},
        {800, 600, 791, 300, 0x000000, "past the last field line"},
        {800, 600, 290, 100, 0x989898, "third grey box"},
        {800, 600, 647, 149, 0x545454, "last grey box, last row"},
        {800, 600, 300, 2, 0x000000, "above the grey boxes"},
        {800, 600, 300, 500, 0xFF00FF, "magenta bar"},
        {800, 600, 300, 597, 0x000000, "below the bars"},
        {800, 600, 72, 20, 0xFF0000, "top-left vertical grid line"},
        {800, 600, 72, 75, 0x000000, "grid centre blotted out by the small circle"},
        {800, 600, 65, 148, 0x0000FF, "large circle's lowest row"},
        {1023, 767, 1022, 47, 0xFF0000, "grid line on the frame's column when W is a multiple of 11"},
        {1023, 767, 5, 766, 0xFFFFFF, "bottom frame row"},
        {1023, 767, 5, 765, 0x000000, "the rows left over below the bottom band stay black"},
        {800, 601, 11, 450, 0xFFFFFF, "field line reaches into the bottom band where nothing covers it"},
    };
    for (const Probe &probe : probes) {
        const std::vector<uint32_t> pixels = RenderPattern(probe.width, probe.height);
        EXPECT_EQ(PixelAt(pixels, probe.width, probe.x, probe.y), probe.colour)
            << probe.what << " at " << probe.x << "," << probe.y << " of " << probe.width << "x" << probe.height;
    }
}

} // namespace

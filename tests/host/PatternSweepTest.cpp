// Built with AddressSanitizer and UndefinedBehaviorSanitizer: the layout and
// the rasteriser over a sweep of sizes, the 32-bit extremes included, must
// neither overflow nor touch memory they do not own.

#include "PatternTesting.h"

#include "raster/Rasteriser.h"
#include "raster/RowRasteriser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <climits>

namespace {

const int32_t Sides[] = {
    INT32_MIN, INT32_MIN + 1, INT32_MIN + 3, -1000000000, -65536, -23, -12, -11, -4, -3, -1, 0, 1, 2, 3, 4, 5,
    10, 11, 12, 21, 22, 23, 24, 43, 44, 767, 1023, 65535, 1000000, INT32_MAX / 2, INT32_MAX - 3,
    INT32_MAX - 1, INT32_MAX,
};

// Walks the whole list, counting it and folding it into a fingerprint.
struct Walk {
    int64_t count = 0;
    uint64_t fingerprint = 0;
    void operator()(const PatternOp &op)
    {
        ++count;
        if (count > 100000) {
            return; // the rest of a huge field: counting is enough
        }
        const uint64_t fields[] = {static_cast<uint64_t>(op.kind), static_cast<uint32_t>(op.left),
                                   static_cast<uint32_t>(op.top), static_cast<uint32_t>(op.right),
                                   static_cast<uint32_t>(op.bottom), op.colour};
        for (uint64_t field : fields) {
            fingerprint = (fingerprint ^ field) * 0x100000001B3ull;
        }
    }
};

TEST(PatternSweep, EverySizeGivesItsCountWithoutUndefinedBehaviour)
{
    for (int32_t width : Sides) {
        // Widths near INT32_MAX have a billion entries: walk those at two heights only.
        const bool huge = width > 100000000;
        for (int32_t height : Sides) {
            if (huge && (width < INT32_MAX - 1 || (height != INT32_MIN && height != INT32_MAX))) {
                continue;
            }
            Walk first;
            PatternLayout(width, height, first);
            ASSERT_EQ(first.count, PatternOpCount(width)) << width << "x" << height;
            const int64_t fieldLines = width / 2 - 10 > 0 ? width / 2 - 10 : 0;
            ASSERT_EQ(first.count, 61 + fieldLines) << width << "x" << height;
            if (!huge) {
                Walk second;
                PatternLayout(width, height, second);
                ASSERT_EQ(first.fingerprint, second.fingerprint) << width << "x" << height;
            }
        }
    }
}

// Draws the pattern in bands, row by row and entry by entry, into exactly sized
// buffers so ASan sees any stray write: the two must agree; else the first pixel that differs.
::testing::AssertionResult RowsMatchEntries(int32_t width, int32_t height, int32_t bandRows, uint32_t alpha)
{
    std::vector<uint32_t> rows(static_cast<size_t>(width) * std::min(bandRows, height)), entries(rows.size());
    for (int32_t top = 0; top < height; top += bandRows) {
        const int32_t count = std::min(bandRows, height - top);
        RenderPatternBand(width, height, top, count, rows.data(), alpha);
        RenderPatternBandByEntries(width, height, top, count, entries.data(), alpha);
        const auto end = rows.begin() + static_cast<ptrdiff_t>(width) * count;
        if (const auto [row, entry] = std::mismatch(rows.begin(), end, entries.begin()); row != end) {
            const ptrdiff_t at = row - rows.begin();
            return ::testing::AssertionFailure() // one message, so that hex holds for both pixels
                   << (::testing::Message() << width << "x" << height << " in bands of " << bandRows << ": pixel "
                                            << at % width << "," << top + at / width << " is " << std::hex << *row
                                            << " row by row, " << *entry << " entry by entry");
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(PatternSweep, RowByRowPaintsWhatEntryByEntryDoesAtEverySize)
{
    for (int32_t width = 1; width <= 48; ++width) {
        for (int32_t height = 1; height <= 48; ++height) {
            ASSERT_TRUE(RowsMatchEntries(width, height, 5, NoAlpha));
        }
    }
    for (const auto &[width, height, bandRows, alpha] : {
             std::tuple{1, 2000, 16, NoAlpha}, {2000, 1, 1, NoAlpha}, {4099, 3, 3, OpaqueAlpha},
             {3, 4099, 4099, OpaqueAlpha}, {301, 203, 7, NoAlpha}, {800, 600, 600, OpaqueAlpha},
             {800, 601, 16, NoAlpha}, {1023, 767, 16, NoAlpha}, {1366, 768, 768, OpaqueAlpha},
             {1920, 1080, 1080, OpaqueAlpha}, {2161, 1213, 64, NoAlpha}, {3840, 2160, 16, NoAlpha}}) {
        EXPECT_TRUE(RowsMatchEntries(width, height, bandRows, alpha));
    }
}

TEST(PatternSweep, DrawsUpToItsLimitsAndRefusesBeyondThem)
{
    // The bottom row of the largest surface is all frame.
    std::vector<uint32_t> row(RasterSideLimit);
    ASSERT_TRUE(RenderPatternBand(RasterSideLimit, RasterSideLimit, RasterSideLimit - 1, 1, row.data()));
    EXPECT_TRUE(std::all_of(row.begin(), row.end(), [](uint32_t pixel) { return pixel == PatternWhite; }));

    const int32_t bands[][4] = {
        {8000000, 16, 0, 1}, {RasterSideLimit + 1, 1, 0, 1}, {1, RasterSideLimit + 1, 0, 1}, {-1, 10, 0, 1},
        {10, 10, -1, 1},     {10, 10, 5, 6},                 {10, 10, 0, -1},               {INT32_MAX, INT32_MAX, INT32_MAX - 1, 1},
    };
    for (const auto &band : bands) {
        uint32_t pixel = 0x123456;
        EXPECT_FALSE(RenderPatternBand(band[0], band[1], band[2], band[3], &pixel)) << band[0] << "x" << band[1];
        EXPECT_EQ(pixel, 0x123456u) << band[0] << "x" << band[1];
    }

    // Entries far larger than any surface are clipped away, not walked.
    uint32_t pixels[4] = {};
    Rasteriser rasteriser(2, 2, 0, 2, pixels);
    RowRasteriser rowRasteriser(2, 2, 0, 2);
    for (PatternOpKind kind : {PatternOpKind::DrawFrame, PatternOpKind::DrawLine, PatternOpKind::FillBox,
                               PatternOpKind::DrawEllipse}) {
        rasteriser(PatternOp{kind, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, PatternBlue});
        rowRasteriser(PatternOp{kind, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, PatternBlue});
    }
    uint32_t rowPixels[4] = {};
    EXPECT_TRUE(rowRasteriser.Draw(rowPixels));
    EXPECT_TRUE(std::equal(pixels, pixels + 4, rowPixels));
}

} // namespace

// Built with AddressSanitizer and UndefinedBehaviorSanitizer: the layout, the
// rasteriser and the drawn dialog over a sweep of sizes, the 32-bit extremes
// included, must neither overflow nor touch memory they do not own.

#include "PatternTesting.h"
#include "SequenceDiff.h"

#include "drawndialog/DrawnDialog.h"
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
             {1920, 1080, 1080, OpaqueAlpha}, {2161, 1213, 64, NoAlpha}, {3840, 2160, 16, NoAlpha},
             {4099, 4097, 4097, OpaqueAlpha}}) {
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

// Every size below 64 and every width and height up to 700 against a few of
// the other, with each kind of technician's line: the dialog writes inside
// the frame alone, and from 40 x 20 up OK and Exit lie on it, apart, where
// they are hit.
TEST(DialogSweep, DrawsInsideEveryFrameWithItsButtonsOnIt)
{
    const char *const lines[] = {
        "", "1024 x 768 device pixels, scale 1, driver kmsdrm: one to one.",
        "1100 x 700 device pixels, scale 1.57, driver wayland: not one to one, the scaled size is not whole.",
        "an-unbroken-line-of-one-hundred-and-twenty-characters-that-no-space-divides-so-it-has-to-be-cut-somewhere"
        "-inside-itself"};
    std::vector<std::pair<int, int>> sizes;
    for (int width = 1; width < 64; ++width) {
        for (int height = 1; height < 64; ++height) {
            sizes.emplace_back(width, height);
        }
    }
    for (int side = 64; side <= 700; ++side) {
        for (int other : {20, 240, 480, 700}) {
            sizes.emplace_back(side, other);
            sizes.emplace_back(other, side);
        }
    }
    // One buffer for all, the frame between two guards that must stay as they are.
    constexpr uint32_t Guard = 0xA5A5A5A5u;
    constexpr size_t GuardPixels = 4096;
    std::vector<uint32_t> buffer(700 * 700 + 2 * GuardPixels);
    std::vector<std::string> faults;
    for (const auto &[width, height] : sizes) {
        for (const char *line : lines) {
            const std::string where = std::to_string(width) + "x" + std::to_string(height) + " \"" +
                                      std::string(line).substr(0, 12) + "\": ";
            const auto frameEnd = buffer.begin() + GuardPixels + static_cast<ptrdiff_t>(width) * height;
            std::fill(buffer.begin(), frameEnd + GuardPixels, Guard);
            const DialogLayout layout = LayoutDialog(width, height, line);
            DrawDialogBand(layout, line, width, height, 0, height, &buffer[GuardPixels]);
            if (!std::all_of(buffer.begin(), buffer.begin() + GuardPixels, [](uint32_t p) { return p == Guard; }) ||
                !std::all_of(frameEnd, frameEnd + GuardPixels, [](uint32_t p) { return p == Guard; })) {
                faults.push_back(where + "wrote outside the frame");
            }
            const PixelRect on{0, 0, width, height};
            const auto inside = [&on](const PixelRect &r) {
                return r.width > 0 && r.height > 0 && r.x >= on.x && r.y >= on.y && r.x + r.width <= on.width &&
                       r.y + r.height <= on.height;
            };
            const auto hit = [&layout](const PixelRect &r) {
                return ButtonAt(layout, r.x + r.width / 2, r.y + r.height / 2);
            };
            if (width >= 40 && height >= 20 &&
                (!inside(layout.ok) || !inside(layout.exit) || layout.ok.x + layout.ok.width > layout.exit.x ||
                 hit(layout.ok) != DialogButton::Ok || hit(layout.exit) != DialogButton::Exit)) {
                faults.push_back(where + "OK or Exit is not on the frame where it is hit");
            }
        }
    }
    // In bands of 16 rows, as a front end without a frame's memory draws it.
    for (const auto &[width, height] : {std::pair{33, 17}, {320, 240}, {1920, 1080}, {3840, 2160}}) {
        const DialogLayout layout = LayoutDialog(width, height, lines[2]);
        std::vector<uint32_t> whole(static_cast<size_t>(width) * height), bands(whole.size());
        DrawDialogBand(layout, lines[2], width, height, 0, height, whole.data());
        for (int top = 0; top < height; top += 16) {
            DrawDialogBand(layout, lines[2], width, height, top, 16, &bands[static_cast<size_t>(top) * width]);
        }
        if (whole != bands) {
            faults.push_back(std::to_string(width) + "x" + std::to_string(height) + ": bands differ from the whole");
        }
    }
    EXPECT_TRUE(SameSequence(faults, {}));
}

// Where the dialog's text shows: each run of rows with black pixels inside the box, leaving out its outline,
// the icon and the buttons, as "rows first-last, columns left-right". Title, credit and the technician's line,
// on one row where the frame is wide enough and wrapped where it is not.
TEST(DialogSweep, PutsItsTextWhereItsLayoutSays)
{
    const char *line = "1100 x 700 device pixels, scale 1.57, driver wayland: not one to one, the scaled size is not whole.";
    std::vector<std::string> actual;
    for (const auto &[width, height] : {std::pair{1920, 1080}, {640, 480}, {320, 240}, {200, 150}}) {
        const DialogLayout layout = LayoutDialog(width, height, line);
        std::vector<uint32_t> frame(static_cast<size_t>(width) * height);
        DrawDialogBand(layout, line, width, height, 0, height, frame.data());
        const int s = layout.scale;
        const PixelRect inside{std::max(layout.box.x + s, 0), std::max(layout.box.y + s, 0),
                               std::min(layout.box.x + layout.box.width - s, width),
                               std::min(layout.box.y + layout.box.height - s, height)}; // right and bottom
        std::string runs = std::to_string(width) + "x" + std::to_string(height) + ":";
        int first = -1, left = width, right = -1;
        for (int y = inside.y; y <= inside.height; ++y) {
            int rowLeft = width, rowRight = -1;
            for (int x = inside.x; y < inside.height && x < inside.width; ++x) {
                if (frame[static_cast<size_t>(y) * width + x] == 0 && !layout.icon.Contains(x, y) &&
                    !layout.ok.Contains(x, y) && !layout.exit.Contains(x, y)) {
                    rowLeft = std::min(rowLeft, x);
                    rowRight = x;
                }
            }
            if (rowRight >= 0) {
                first = first < 0 ? y : first;
                left = std::min(left, rowLeft);
                right = std::max(right, rowRight);
            } else if (first >= 0) {
                runs += " " + std::to_string(first) + "-" + std::to_string(y - 1) + " " + std::to_string(left) + "-" +
                        std::to_string(right);
                first = -1;
                left = width;
                right = -1;
            }
        }
        actual.push_back(runs);
    }
    EXPECT_TRUE(SameSequence(actual, {
        "1920x1080: 510-523 865-1054 554-567 787-1132 582-595 369-1548",
        "640x480: 225-231 272-366 247-253 233-405 261-267 24-613",
        "320x240: 94-100 112-206 116-122 73-245 130-136 29-290 141-147 19-299 152-158 142-174",
        "200x150: 44-50 52-146 66-72 13-185 80-86 26-171 91-97 19-177 102-108 22-176 113-119 46-150"}));
}

} // namespace

#include "PatternTesting.h"
#include "SequenceDiff.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Everything but the field lines, which the tests below look at on their own.
std::vector<std::string> FixedEntries(const std::vector<PatternOp> &ops)
{
    std::vector<std::string> texts;
    for (size_t i = 0; i < ops.size(); ++i) {
        if (i < 3 || i >= ops.size() - 58) {
            texts.push_back(PatternOpText(ops[i]));
        }
    }
    return texts;
}

std::vector<PatternOp> FieldLines(const std::vector<PatternOp> &ops)
{
    return std::vector<PatternOp>(ops.begin() + 3, ops.end() - 58);
}

TEST(PatternLayout, DrawsTheWorkedExampleAt800x600)
{
    const std::vector<PatternOp> ops = CollectPattern(800, 600);
    ASSERT_EQ(ops.size(), 451u);
    const std::vector<std::string> expected = {
        "SelectWhitePen", "SelectBlackBrush", "DrawFrame 0 0 800 600",
        // grey ramp
        "FillBox 144 3 216 150 0x00FFFFFF", "FillBox 216 3 288 150 0x00BFBFBF",
        "FillBox 288 3 360 150 0x00989898", "FillBox 360 3 432 150 0x007F7F7F",
        "FillBox 432 3 504 150 0x006D6D6D", "FillBox 504 3 576 150 0x005F5F5F",
        "FillBox 576 3 648 150 0x00545454",
        // colour bars
        "FillBox 144 450 216 597 0x00FFFFFF", "FillBox 216 450 288 597 0x0000FFFF",
        "FillBox 288 450 360 597 0x00FF00FF", "FillBox 360 450 432 597 0x00FFFF00",
        "FillBox 432 450 504 597 0x000000FF", "FillBox 504 450 576 597 0x0000FF00",
        "FillBox 576 450 648 597 0x00FF0000",
        // top left
        "NewPen 0x000000FF", "DrawEllipse 1 1 143 149", "NewPen 0x00FF0000", "DrawLine 36 1 36 149",
        "DrawLine 72 1 72 149", "DrawLine 108 1 108 149", "DrawLine 1 37 144 37", "DrawLine 1 75 144 75",
        "DrawLine 1 112 144 112", "NewPen 0x000000FF", "DrawEllipse 36 37 108 112",
        // top right
        "NewPen 0x000000FF", "DrawEllipse 649 1 791 149", "NewPen 0x00FF0000", "DrawLine 684 1 684 149",
        "DrawLine 720 1 720 149", "DrawLine 756 1 756 149", "DrawLine 649 37 792 37", "DrawLine 649 75 792 75",
        "DrawLine 649 112 792 112", "NewPen 0x000000FF", "DrawEllipse 684 37 756 112",
        // bottom left
        "NewPen 0x000000FF", "DrawEllipse 1 451 143 599", "NewPen 0x00FF0000", "DrawLine 36 451 36 599",
        "DrawLine 72 451 72 599", "DrawLine 108 451 108 599", "DrawLine 1 487 144 487",
        "DrawLine 1 525 144 525", "DrawLine 1 562 144 562", "NewPen 0x000000FF", "DrawEllipse 36 487 108 562",
        // bottom right
        "NewPen 0x000000FF", "DrawEllipse 649 451 791 599", "NewPen 0x00FF0000", "DrawLine 684 451 684 599",
        "DrawLine 720 451 720 599", "DrawLine 756 451 756 599", "DrawLine 649 487 792 487",
        "DrawLine 649 525 792 525", "DrawLine 649 562 792 562", "NewPen 0x000000FF",
        "DrawEllipse 684 487 756 562",
    };
    EXPECT_TRUE(SameSequence(FixedEntries(ops), expected));

    const std::vector<PatternOp> lines = FieldLines(ops);
    ASSERT_EQ(lines.size(), 390u);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int32_t x = 11 + 2 * static_cast<int32_t>(i);
        ASSERT_EQ(PatternOpText(lines[i]), "DrawLine " + std::to_string(x) + " 150 " + std::to_string(x) + " 450")
            << "field line " << i;
    }
}

TEST(PatternLayout, MatchesTheMetricsAtCommonScreenSizes)
{
    struct Row {
        int32_t width, height, u, q, fieldLines, lastLineX, rightTargetX, bottomBandTop, barBottom, entries;
    };
    const Row rows[] = {
        {640, 480, 58, 120, 310, 629, 522, 360, 477, 371},
        {800, 600, 72, 150, 390, 789, 648, 450, 597, 451},
        {1024, 768, 93, 192, 502, 1013, 837, 576, 765, 563},
        {1152, 864, 104, 216, 566, 1141, 936, 648, 861, 627},
        {1280, 1024, 116, 256, 630, 1269, 1044, 768, 1021, 691},
        {1600, 1200, 145, 300, 790, 1589, 1305, 900, 1197, 851},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height));
        const PatternMetrics m = PatternMetricsFor(row.width, row.height);
        EXPECT_EQ(m.u, row.u);
        EXPECT_EQ(m.q, row.q);
        const std::vector<PatternOp> ops = CollectPattern(row.width, row.height);
        ASSERT_EQ(static_cast<int32_t>(ops.size()), row.entries);
        EXPECT_EQ(PatternOpCount(row.width), row.entries);
        const std::vector<PatternOp> lines = FieldLines(ops);
        ASSERT_EQ(static_cast<int32_t>(lines.size()), row.fieldLines);
        EXPECT_EQ(lines.back().left, row.lastLineX);
        const PatternOp &topRightCircle = ops[ops.size() - 44 + 11 + 1];
        EXPECT_EQ(topRightCircle.left, row.rightTargetX + 1);
        const PatternOp &bottomLeftCircle = ops[ops.size() - 44 + 22 + 1];
        EXPECT_EQ(bottomLeftCircle.top, row.bottomBandTop + 1);
        const PatternOp &firstBar = ops[ops.size() - 44 - 7];
        EXPECT_EQ(firstBar.top, row.bottomBandTop);
        EXPECT_EQ(firstBar.bottom, row.barBottom);
    }
}

TEST(PatternLayout, FieldLinesStartAtColumn11AndNeedWidth22)
{
    struct Row {
        int32_t width;
        std::vector<int32_t> lineX;
    };
    const Row rows[] = {
        {0, {}}, {21, {}}, {22, {11}}, {23, {11}}, {24, {11, 13}}, {27, {11, 13, 15}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.width);
        const std::vector<PatternOp> ops = CollectPattern(row.width, 100);
        std::vector<int32_t> lineX;
        for (const PatternOp &op : FieldLines(ops)) {
            EXPECT_EQ(op.kind, PatternOpKind::DrawLine);
            lineX.push_back(op.left);
        }
        EXPECT_EQ(lineX, row.lineX);
    }
}

TEST(PatternLayout, OddWidthDrawsTheFieldOfTheEvenWidthBelow)
{
    EXPECT_EQ(PatternOpTexts(FieldLines(CollectPattern(801, 600))), PatternOpTexts(FieldLines(CollectPattern(800, 600))));
}

TEST(PatternLayout, NarrowWindowKeepsEveryEntryAsComputed)
{
    // u = 0: zero-width boxes, the right-hand targets on the left-hand ones,
    // and large circles whose boxes are inverted.
    const std::vector<PatternOp> ops = CollectPattern(10, 600);
    ASSERT_EQ(ops.size(), 61u);
    EXPECT_EQ(PatternOpText(ops[3]), "FillBox 0 3 0 150 0x00FFFFFF");
    EXPECT_EQ(PatternOpText(ops[10]), "FillBox 0 450 0 597 0x00FFFFFF");
    EXPECT_EQ(PatternOpText(ops[18]), "DrawEllipse 1 1 -1 149");
    EXPECT_EQ(PatternOpText(ops[29]), "DrawEllipse 1 1 -1 149");
    EXPECT_EQ(PatternOpText(ops[27]), "DrawEllipse 0 37 0 112");
}

TEST(PatternLayout, ShortWindowKeepsEveryEntryAsComputed)
{
    // q = 0: grey boxes from row 3 up to row 0, bars from 0 up to -3.
    const std::vector<PatternOp> ops = CollectPattern(800, 3);
    ASSERT_EQ(ops.size(), 451u);
    EXPECT_EQ(PatternOpText(ops[3]), "DrawLine 11 0 11 3");
    EXPECT_EQ(PatternOpText(ops[393]), "FillBox 144 3 216 0 0x00FFFFFF");
    EXPECT_EQ(PatternOpText(ops[400]), "FillBox 144 0 216 -3 0x00FFFFFF");
    EXPECT_EQ(PatternOpText(ops[408]), "DrawEllipse 1 1 143 -1");
}

TEST(PatternLayout, BottomBandWrapsLikeThePlatformAtTheMostNegativeHeight)
{
    // q = -2^29: 4q - 3 and 3q + q - 1 fall just below INT32_MIN and wrap.
    const std::vector<PatternOp> ops = CollectPattern(800, INT32_MIN);
    ASSERT_EQ(ops.size(), 451u);
    const PatternOp &firstBar = ops[400];
    EXPECT_EQ(firstBar.top, -1610612736);
    EXPECT_EQ(firstBar.bottom, 2147483645);
    const PatternOp &bottomLeftCircle = ops[ops.size() - 22 + 1];
    EXPECT_EQ(PatternOpText(bottomLeftCircle), "DrawEllipse 1 -1610612735 143 2147483647");
}

TEST(PatternLayout, GivesTheSameListOnEveryCall)
{
    EXPECT_EQ(PatternOpTexts(CollectPattern(1366, 768)), PatternOpTexts(CollectPattern(1366, 768)));
}

TEST(PatternLayout, GreyLevelsComeFromTheFloatNearestOneThird)
{
    const uint32_t levels[] = {255, 191, 152, 127, 109, 95, 84};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(GreyRampColours.colour[i], levels[i] * 0x010101u) << "box " << i;
    }
}

} // namespace

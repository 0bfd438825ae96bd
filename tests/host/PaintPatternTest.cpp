#include "PatternTesting.h"
#include "SequenceDiff.h"
#include "Win32Double.h"

#include "pattern/PaintPattern.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using win32double::CallTexts;
using win32double::Recorded;

class PaintPatternTest : public testing::Test {
protected:
    void SetUp() override { win32double::Reset(); }
    void TearDown() override { EXPECT_TRUE(SameSequence(win32double::Faults(), {})) << "faults seen by the double"; }

    std::vector<std::string> Paint(int width, int height)
    {
        HWND hwnd = win32double::CreatePaintTarget(width, height);
        win32double::ClearCalls();
        PaintPattern(hwnd);
        return CallTexts();
    }
};

std::vector<std::string> Slice(const std::vector<std::string> &calls, size_t first, size_t count)
{
    first = std::min(first, calls.size());
    return std::vector<std::string>(calls.begin() + first, calls.begin() + std::min(calls.size(), first + count));
}

size_t CountStarting(const std::vector<std::string> &calls, const std::string &prefix)
{
    return std::count_if(calls.begin(), calls.end(), [&](const std::string &call) { return call.rfind(prefix, 0) == 0; });
}

size_t FirstStarting(const std::vector<std::string> &calls, const std::string &prefix)
{
    return std::find_if(calls.begin(), calls.end(), [&](const std::string &call) { return call.rfind(prefix, 0) == 0; }) -
           calls.begin();
}

// The calls of a whole paint: four open it and four close it; each selection
// and each line takes two, each box four, each frame and ellipse one; the
// first pen is made and selected, and each later one deletes its forerunner.
constexpr size_t PaintCallCount(size_t fieldLines)
{
    return 4 + 2 * 2 + 1 + 2 * (fieldLines + 24) + 4 * 14 + 2 + 3 * 11 + 8 + 4;
}

TEST_F(PaintPatternTest, CarriesEachKindOfEntryOutWithItsCalls)
{
    const std::vector<std::string> calls = Paint(800, 600);
    ASSERT_EQ(calls.size(), PaintCallCount(390));

    EXPECT_TRUE(SameSequence(Slice(calls, 0, 13), {
        "BeginPaint(hwnd1) -> hdc1",
        "SetMapMode(hdc1, 1)",
        "GetClientRect(hwnd1) -> {0, 0, 800, 600}",
        "DPtoLP(hdc1, (0, 0), (800, 600), 2)",
        "GetStockObject(6) -> WHITE_PEN",
        "SelectObject(hdc1, WHITE_PEN) -> BLACK_PEN",
        "GetStockObject(4) -> BLACK_BRUSH",
        "SelectObject(hdc1, BLACK_BRUSH) -> WHITE_BRUSH",
        "Rectangle(hdc1, 0, 0, 800, 600)",
        "MoveToEx(hdc1, 11, 150, NULL)",
        "LineTo(hdc1, 11, 450)",
        "MoveToEx(hdc1, 13, 150, NULL)",
        "LineTo(hdc1, 13, 450)",
    })) << "prologue, selections, frame and the first field lines";

    EXPECT_TRUE(SameSequence(Slice(calls, FirstStarting(calls, "SetRect("), 8), {
        "SetRect(144, 3, 216, 150)",
        "CreateSolidBrush(0x00FFFFFF) -> brush1",
        "FillRect(hdc1, {144, 3, 216, 150}, brush1)",
        "DeleteObject(brush1) -> TRUE",
        "SetRect(216, 3, 288, 150)",
        "CreateSolidBrush(0x00BFBFBF) -> brush2",
        "FillRect(hdc1, {216, 3, 288, 150}, brush2)",
        "DeleteObject(brush2) -> TRUE",
    })) << "the first grey boxes";

    EXPECT_TRUE(SameSequence(Slice(calls, FirstStarting(calls, "CreatePen("), 25), {
        "CreatePen(0, 0, 0x000000FF) -> pen1",
        "SelectObject(hdc1, pen1) -> WHITE_PEN",
        "Ellipse(hdc1, 1, 1, 143, 149)",
        "CreatePen(0, 0, 0x00FF0000) -> pen2",
        "SelectObject(hdc1, pen2) -> pen1",
        "DeleteObject(pen1) -> TRUE",
        "MoveToEx(hdc1, 36, 1, NULL)",
        "LineTo(hdc1, 36, 149)",
        "MoveToEx(hdc1, 72, 1, NULL)",
        "LineTo(hdc1, 72, 149)",
        "MoveToEx(hdc1, 108, 1, NULL)",
        "LineTo(hdc1, 108, 149)",
        "MoveToEx(hdc1, 1, 37, NULL)",
        "LineTo(hdc1, 144, 37)",
        "MoveToEx(hdc1, 1, 75, NULL)",
        "LineTo(hdc1, 144, 75)",
        "MoveToEx(hdc1, 1, 112, NULL)",
        "LineTo(hdc1, 144, 112)",
        "CreatePen(0, 0, 0x000000FF) -> pen3",
        "SelectObject(hdc1, pen3) -> pen2",
        "DeleteObject(pen2) -> TRUE",
        "Ellipse(hdc1, 36, 37, 108, 112)",
        "CreatePen(0, 0, 0x000000FF) -> pen4",
        "SelectObject(hdc1, pen4) -> pen3",
        "DeleteObject(pen3) -> TRUE",
    })) << "the first corner target and the start of the second";

    EXPECT_TRUE(SameSequence(Slice(calls, calls.size() - 5, 5), {
        "Ellipse(hdc1, 684, 487, 756, 562)",
        "GetStockObject(6) -> WHITE_PEN",
        "SelectObject(hdc1, WHITE_PEN) -> pen12",
        "DeleteObject(pen12) -> TRUE",
        "EndPaint(hwnd1)",
    })) << "the last circle and the epilogue";
}

TEST_F(PaintPatternTest, CreatesAndDestroysOnePenPerNewPenAndOneBrushPerBox)
{
    const std::vector<std::string> calls = Paint(800, 600);
    EXPECT_EQ(CountStarting(calls, "CreateSolidBrush("), 14u);
    EXPECT_EQ(CountStarting(calls, "CreatePen("), 12u);
    EXPECT_EQ(CountStarting(calls, "DeleteObject(brush"), 14u);
    EXPECT_EQ(CountStarting(calls, "DeleteObject(pen"), 12u);
    EXPECT_EQ(CountStarting(calls, "DeleteObject("), 26u) << "stock objects are never deleted";
    EXPECT_EQ(CountStarting(calls, "LineTo("), 390u + 24u);
    EXPECT_EQ(CountStarting(calls, "MoveToEx("), 390u + 24u);
    EXPECT_EQ(CountStarting(calls, "Rectangle("), 1u);
    EXPECT_EQ(CountStarting(calls, "FillRect("), 14u);
    EXPECT_EQ(CountStarting(calls, "Ellipse("), 8u);
}

TEST_F(PaintPatternTest, DrawsWithThePenAndBrushEachEntryNeeds)
{
    Paint(1024, 768);
    int ellipses = 0;
    for (const win32double::RecordedCall &call : Recorded()) {
        const bool shape = call.text.rfind("Ellipse(", 0) == 0 || call.text.rfind("Rectangle(", 0) == 0;
        if (shape) {
            ++ellipses;
            EXPECT_EQ(call.brush, "BLACK_BRUSH") << call.text << ": shapes are filled black";
        }
        if (call.text.rfind("FillRect(", 0) == 0) {
            EXPECT_EQ(call.pen, "WHITE_PEN") << call.text << ": fills come before any pen of our own";
            EXPECT_EQ(call.brush, "BLACK_BRUSH") << call.text << ": fills never select their brush";
        }
    }
    EXPECT_EQ(ellipses, 9);
}

TEST_F(PaintPatternTest, LeavesNoPenOrBrushBehindAtAnySize)
{
    const int before = win32double::LiveObjectCount();
    HWND hwnd = win32double::CreatePaintTarget(0, 0);
    for (int paint = 0; paint < 10000; ++paint) {
        MoveWindow(hwnd, 0, 0, paint % 97, (paint * 7) % 61, TRUE);
        PaintPattern(hwnd);
        ASSERT_EQ(win32double::LiveObjectCount(), before) << "after paint " << paint;
        win32double::ClearCalls();
        ASSERT_TRUE(win32double::Faults().empty()) << "paint " << paint << ": " << win32double::Faults()[0];
    }
}

TEST_F(PaintPatternTest, PaintAtZeroSizeLaysOutTheEmptyPatternAndBalances)
{
    const std::vector<std::string> calls = Paint(0, 0);
    EXPECT_EQ(calls[FirstStarting(calls, "GetClientRect(")], "GetClientRect(hwnd1) -> {0, 0, 0, 0}");
    EXPECT_EQ(calls[FirstStarting(calls, "Rectangle(")], "Rectangle(hdc1, 0, 0, 0, 0)");
    EXPECT_EQ(calls.size(), PaintCallCount(0));
    EXPECT_EQ(win32double::LiveObjectCount(), 0);
}

TEST_F(PaintPatternTest, APenThatCannotBeMadeLeavesNothingBehind)
{
    for (int failing : {1, 2, 6, 12}) {
        SCOPED_TRACE(failing);
        win32double::Reset();
        win32double::FailPenCreation(failing);
        Paint(800, 600);
        EXPECT_EQ(win32double::LiveObjectCount(), 0);
        const std::vector<std::string> calls = CallTexts();
        EXPECT_EQ(calls.back(), "EndPaint(hwnd1)") << "painting went on to the end";
    }
}

// The double must catch what it is there to catch, or the tests above prove nothing.
TEST(Win32Double, ReportsBreachesOfTheGdiRules)
{
    struct Breach {
        const char *what;
        void (*act)(HWND hwnd);
        const char *fault;
    };
    const Breach breaches[] = {
        {"deleting a selected pen",
         [](HWND hwnd) {
             PAINTSTRUCT paint;
             HDC dc = BeginPaint(hwnd, &paint);
             HPEN pen = CreatePen(PS_SOLID, 0, 0);
             SelectObject(dc, pen);
             DeleteObject(pen);
         },
         "DeleteObject of pen1 while it is selected in hdc1"},
        {"ending a paint with its own pen selected",
         [](HWND hwnd) {
             PAINTSTRUCT paint;
             HDC dc = BeginPaint(hwnd, &paint);
             SelectObject(dc, CreatePen(PS_SOLID, 0, 0));
             EndPaint(hwnd, &paint);
         },
         "EndPaint with pen1 still selected"},
        {"a brush outliving the paint",
         [](HWND hwnd) {
             PAINTSTRUCT paint;
             BeginPaint(hwnd, &paint);
             CreateSolidBrush(0);
             EndPaint(hwnd, &paint);
         },
         "EndPaint leaves 1 pens or brushes alive"},
        {"a paint inside a paint",
         [](HWND hwnd) {
             PAINTSTRUCT paint;
             BeginPaint(hwnd, &paint);
             BeginPaint(hwnd, &paint);
         },
         "BeginPaint on hwnd1 inside another BeginPaint"},
        {"deleting twice",
         [](HWND) {
             HBRUSH brush = CreateSolidBrush(0);
             DeleteObject(brush);
             DeleteObject(brush);
         },
         "DeleteObject of brush1, which is no live pen or brush"},
        {"drawing after EndPaint",
         [](HWND hwnd) {
             PAINTSTRUCT paint;
             HDC dc = BeginPaint(hwnd, &paint);
             EndPaint(hwnd, &paint);
             LineTo(dc, 1, 1);
         },
         "LineTo on hdc1, which is not a DC in use"},
    };
    for (const Breach &breach : breaches) {
        win32double::Reset();
        breach.act(win32double::CreatePaintTarget(10, 10));
        ASSERT_FALSE(win32double::Faults().empty()) << breach.what;
        EXPECT_EQ(win32double::Faults()[0], breach.fault) << breach.what;
    }
    win32double::Reset();
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_PEN)));
    EXPECT_TRUE(win32double::Faults().empty()) << "deleting a stock object is harmless";
}

} // namespace

// The time of one full PaintPattern on the real graphics interface, against
// a paint that issues the very same GDI calls from a list made beforehand, so
// that no layout happens in between. Both run in turn in the same process.
//
//   paint_bench.exe [PAINTS]

#include "Clock.h"
#include "../Median.h"

#include "pattern/PaintPattern.h"
#include "pattern/PatternLayout.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<PatternOp> ReplayedOps;

// The calls PaintPattern makes for the pattern, by the same code, with the
// entries read from ReplayedOps.
void PaintFromList(HWND hwnd)
{
    PAINTSTRUCT ps;
    PatternPaint paint = {BeginPaint(hwnd, &ps), NULL};
    for (const PatternOp &op : ReplayedOps) {
        PaintPatternOp(&paint, op);
    }
    EndPatternPaint(&paint);
    EndPaint(hwnd, &ps);
}

bool replaying = false;

LRESULT CALLBACK BenchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        if (replaying) {
            PaintFromList(hwnd);
        } else {
            PaintPattern(hwnd);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The median time of one paint.
double TimePaints(HWND hwnd, bool replay, int paints)
{
    replaying = replay;
    std::vector<double> times;
    for (int i = 0; i < paints; ++i) {
        InvalidateRect(hwnd, NULL, FALSE);
        const double start = Seconds();
        UpdateWindow(hwnd);
        GdiFlush();
        times.push_back(Seconds() - start);
    }
    return Median(times);
}

} // namespace

int main(int argc, char **argv)
{
    const int paints = argc > 1 ? atoi(argv[1]) : 200;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = BenchProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "PaintBench";
    RegisterClassExA(&windowClass);

    const std::pair<int, int> sizes[] = {{1920, 1080}, {3840, 2160}};
    for (const auto &[width, height] : sizes) {
        HWND hwnd = CreateWindowExA(0, "PaintBench", "bench", WS_POPUP | WS_VISIBLE, 0, 0, width, height, NULL, NULL,
                                    windowClass.hInstance, NULL);
        ReplayedOps.clear();
        PatternLayout(width, height, [](const PatternOp &op) { ReplayedOps.push_back(op); });
        double pattern = 0;
        double replay = 0;
        // Alternate rounds, so that both see the same machine.
        for (int round = 0; round < 5; ++round) {
            pattern += TimePaints(hwnd, false, paints / 5);
            replay += TimePaints(hwnd, true, paints / 5);
        }
        printf("paint %dx%d: PaintPattern %.3f ms, same calls from a list %.3f ms, ratio %.3f\n", width, height,
               pattern / 5 * 1e3, replay / 5 * 1e3, pattern / replay);
        DestroyWindow(hwnd);
    }
    return 0;
}

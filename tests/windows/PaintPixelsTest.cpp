// PaintPattern on the real graphics interface: the pixels of a painted window
// must equal the rasteriser's image of the same size, every one of them.

#include "Capture.h"

#include "pattern/PaintPattern.h"
#include "raster/RenderPattern.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

LRESULT CALLBACK PaintOnlyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintPattern(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND CreatePatternWindow(int width, int height)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = PaintOnlyProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = "PaintPixelsTest";
        registered = RegisterClassExA(&windowClass) != 0;
    }
    HWND hwnd = CreateWindowExA(0, "PaintPixelsTest", "paint", WS_POPUP | WS_VISIBLE, 0, 0, width, height, NULL,
                                NULL, GetModuleHandleA(NULL), NULL);
    UpdateWindow(hwnd);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
    return hwnd;
}

class PaintPixels : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(PaintPixels, EqualTheRasterisersImage)
{
    const auto [width, height] = GetParam();
    HWND hwnd = CreatePatternWindow(width, height);
    ASSERT_TRUE(hwnd != NULL);
    HDC windowDc = GetDC(hwnd);
    const std::vector<uint32_t> painted = CapturePixels(windowDc, width, height);
    ReleaseDC(hwnd, windowDc);
    DestroyWindow(hwnd);

    std::vector<uint32_t> expected(painted.size());
    RenderPatternBand(width, height, 0, height, expected.data());
    size_t differing = 0;
    std::string first;
    for (size_t i = 0; i < painted.size(); ++i) {
        if (painted[i] != expected[i]) {
            if (++differing <= 10) {
                char line[96];
                snprintf(line, sizeof line, "  (%d, %d): painted 0x%06X, expected 0x%06X\n",
                         static_cast<int>(i % width), static_cast<int>(i / width), painted[i], expected[i]);
                first += line;
            }
        }
    }
    EXPECT_EQ(differing, 0u) << "pixels differ at " << width << "x" << height << ", the first:\n" << first;
}

INSTANTIATE_TEST_SUITE_P(Sizes, PaintPixels,
                         testing::Values(std::pair{800, 600}, std::pair{1023, 767}, std::pair{1366, 768},
                                         std::pair{1920, 1080}),
                         [](const auto &info) {
                             return std::to_string(info.param.first) + "x" + std::to_string(info.param.second);
                         });

} // namespace

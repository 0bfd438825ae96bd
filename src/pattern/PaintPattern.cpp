#include "pattern/PaintPattern.h"

#include "pattern/GdiPatternPainter.h"
#include "pattern/PatternLayout.h"

void PaintPattern(HWND hwnd)
{
    PaintClientArea(hwnd, [](int32_t width, int32_t height, GdiPatternPainter &painter) {
        PatternLayout(width, height, painter);
    });
}

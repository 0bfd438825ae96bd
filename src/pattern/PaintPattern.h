// Paints the test pattern into a window, answering its WM_PAINT.
#pragma once

#include "pattern/PatternOp.h"

#include <windows.h>

void PaintPattern(HWND hwnd);

// What a paint keeps between entries: its device context, and the pen it
// created that is selected there now, if any.
struct PatternPaint {
    HDC dc;
    HPEN pen;
};

// Carries one entry of the drawing list out with GDI.
void PaintPatternOp(PatternPaint *paint, const PatternOp &op);

// Selects the stock white pen again, so that the paint's last pen can go.
void EndPatternPaint(PatternPaint *paint);

// Paints the test pattern into a window, answering its WM_PAINT.
#pragma once

#include <windows.h>

void PaintPattern(HWND hwnd);

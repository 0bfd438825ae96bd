#include "pattern/PaintPattern.h"

#include "pattern/GdiPatternPainter.h"
#include "pattern/PatternLayout.h"

void PaintPattern(HWND hwnd)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    SetMapMode(dc, MM_TEXT);
    RECT client;
    GetClientRect(hwnd, &client);
    DPtoLP(dc, reinterpret_cast<POINT *>(&client), 2);

    GdiPatternPainter painter = {dc, NULL, {0, 0, 0, 0}};
    PatternLayout(client.right - client.left, client.bottom - client.top, painter);
    painter.Finish();

    EndPaint(hwnd, &paint);
}

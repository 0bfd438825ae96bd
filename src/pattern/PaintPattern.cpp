#include "pattern/PaintPattern.h"

#include "pattern/PatternLayout.h"

void PaintPattern(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    SetMapMode(dc, MM_TEXT);
    RECT client;
    GetClientRect(hwnd, &client);
    DPtoLP(dc, reinterpret_cast<POINT *>(&client), 2);

    PatternPaint paint = {dc, NULL};
    PatternLayout(client.right - client.left, client.bottom - client.top,
                  [&paint](const PatternOp &op) { PaintPatternOp(&paint, op); });
    EndPatternPaint(&paint);

    EndPaint(hwnd, &ps);
}

namespace {

// Makes pen current. The pen it replaces is deleted only when this paint made
// it: stock pens are the platform's own. A pen that could not be made or
// selected changes nothing, so the current one stays tracked.
void SelectPen(PatternPaint *paint, HPEN pen, bool created)
{
    HGDIOBJ replaced = SelectObject(paint->dc, pen);
    if (!replaced) {
        if (created && pen) {
            DeleteObject(pen);
        }
        return;
    }
    if (replaced == paint->pen) {
        DeleteObject(replaced);
    }
    paint->pen = created ? pen : NULL;
}

} // namespace

void PaintPatternOp(PatternPaint *paint, const PatternOp &op)
{
    switch (op.kind) {
    case PatternOpKind::SelectWhitePen:
        SelectPen(paint, static_cast<HPEN>(GetStockObject(WHITE_PEN)), false);
        break;
    case PatternOpKind::SelectBlackBrush:
        SelectObject(paint->dc, GetStockObject(BLACK_BRUSH));
        break;
    case PatternOpKind::DrawFrame:
        Rectangle(paint->dc, op.left, op.top, op.right, op.bottom);
        break;
    case PatternOpKind::DrawLine:
        MoveToEx(paint->dc, op.left, op.top, NULL);
        LineTo(paint->dc, op.right, op.bottom);
        break;
    case PatternOpKind::FillBox: {
        RECT box;
        SetRect(&box, op.left, op.top, op.right, op.bottom);
        HBRUSH brush = CreateSolidBrush(op.colour);
        FillRect(paint->dc, &box, brush);
        DeleteObject(brush);
        break;
    }
    case PatternOpKind::NewPen:
        SelectPen(paint, CreatePen(PS_SOLID, 0, op.colour), true);
        break;
    case PatternOpKind::DrawEllipse:
        Ellipse(paint->dc, op.left, op.top, op.right, op.bottom);
        break;
    }
}

void EndPatternPaint(PatternPaint *paint)
{
    SelectPen(paint, static_cast<HPEN>(GetStockObject(WHITE_PEN)), false);
}

#include "pattern/PaintPattern.h"

#include "pattern/PatternLayout.h"

namespace {

// Carries each entry of the drawing list out on the paint's device context.
// Every pen and brush it creates is deleted before the paint ends.
struct GdiPatternPainter {
    HDC dc;
    HPEN createdPen; // the pen this paint created and has selected, if any
    RECT box;

    void operator()(const PatternOp &op)
    {
        switch (op.kind) {
        case PatternOpKind::SelectWhitePen:
            SelectObject(dc, GetStockObject(WHITE_PEN));
            break;
        case PatternOpKind::SelectBlackBrush:
            SelectObject(dc, GetStockObject(BLACK_BRUSH));
            break;
        case PatternOpKind::DrawFrame:
            Rectangle(dc, op.left, op.top, op.right, op.bottom);
            break;
        case PatternOpKind::DrawLine:
            MoveToEx(dc, op.left, op.top, NULL);
            LineTo(dc, op.right, op.bottom);
            break;
        case PatternOpKind::FillBox: {
            SetRect(&box, op.left, op.top, op.right, op.bottom);
            HBRUSH brush = CreateSolidBrush(op.colour);
            FillRect(dc, &box, brush);
            DeleteObject(brush);
            break;
        }
        case PatternOpKind::NewPen: {
            HPEN pen = CreatePen(PS_SOLID, 0, op.colour);
            SelectPen(pen);
            createdPen = pen;
            break;
        }
        case PatternOpKind::DrawEllipse:
            Ellipse(dc, op.left, op.top, op.right, op.bottom);
            break;
        }
    }

    // Selects pen and deletes the pen it replaces when this paint made it;
    // the stock pen it replaces the first time is the platform's own.
    void SelectPen(HPEN pen)
    {
        HGDIOBJ replaced = SelectObject(dc, pen);
        if (createdPen && replaced == createdPen) {
            DeleteObject(replaced);
        }
    }
};

} // namespace

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
    // Back to a stock pen so the last red pen can go.
    painter.SelectPen(static_cast<HPEN>(GetStockObject(WHITE_PEN)));

    EndPaint(hwnd, &paint);
}

// Carries entries of the drawing list out on a device context with GDI.
#pragma once

#include "pattern/PatternOp.h"

#include <windows.h>

// Every pen and brush it creates is deleted before it is done: boxes delete
// their brush at once, a new pen deletes the one it replaces, and Finish
// deletes the last.
struct GdiPatternPainter {
    HDC dc;
    HPEN createdPen; // the pen this painter created and has selected, if any
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
        case PatternOpKind::NewPen:
            SelectPen(CreatePen(PS_SOLID, 0, op.colour));
            break;
        case PatternOpKind::DrawEllipse:
            Ellipse(dc, op.left, op.top, op.right, op.bottom);
            break;
        }
    }

    // Back to the stock white pen, so the last pen of ours can go.
    void Finish() { SelectPen(static_cast<HPEN>(GetStockObject(WHITE_PEN))); }

private:
    // Deletes the pen it replaces only when this painter made it: the stock
    // pen replaced the first time is the platform's own. When a pen could
    // not be made or selected, the current one stays and stays tracked.
    void SelectPen(HPEN pen)
    {
        HGDIOBJ replaced = SelectObject(dc, pen);
        if (!replaced) {
            if (pen) {
                DeleteObject(pen);
            }
            return;
        }
        if (replaced == createdPen) {
            DeleteObject(replaced);
        }
        createdPen = pen;
    }
};

// The painting bracket around a painter: the client size in pixels goes to
// draw(width, height, painter), which hands the painter its entries.
template <typename Draw>
void PaintClientArea(HWND hwnd, Draw draw)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    SetMapMode(dc, MM_TEXT);
    RECT client;
    GetClientRect(hwnd, &client);
    DPtoLP(dc, reinterpret_cast<POINT *>(&client), 2);

    GdiPatternPainter painter = {dc, NULL, {0, 0, 0, 0}};
    draw(client.right - client.left, client.bottom - client.top, painter);
    painter.Finish();

    EndPaint(hwnd, &paint);
}

#include "render/OpsText.h"

#include <stdio.h>

namespace {

const char *PatternOpKindName(PatternOpKind kind)
{
    switch (kind) {
    case PatternOpKind::SelectWhitePen:
        return "SelectWhitePen";
    case PatternOpKind::SelectBlackBrush:
        return "SelectBlackBrush";
    case PatternOpKind::DrawFrame:
        return "DrawFrame";
    case PatternOpKind::DrawLine:
        return "DrawLine";
    case PatternOpKind::FillBox:
        return "FillBox";
    case PatternOpKind::NewPen:
        return "NewPen";
    case PatternOpKind::DrawEllipse:
        return "DrawEllipse";
    }
    return "?";
}

} // namespace

size_t FormatPatternOp(const PatternOp &op, char *buffer)
{
    const char *name = PatternOpKindName(op.kind);
    int length = 0;
    switch (op.kind) {
    case PatternOpKind::SelectWhitePen:
    case PatternOpKind::SelectBlackBrush:
        length = snprintf(buffer, PatternOpTextMax, "%s\n", name);
        break;
    case PatternOpKind::NewPen:
        length = snprintf(buffer, PatternOpTextMax, "%s 0x%08X\n", name, static_cast<unsigned>(op.colour));
        break;
    case PatternOpKind::FillBox:
        length = snprintf(buffer, PatternOpTextMax, "%s %d %d %d %d 0x%08X\n", name, static_cast<int>(op.left),
                          static_cast<int>(op.top), static_cast<int>(op.right), static_cast<int>(op.bottom),
                          static_cast<unsigned>(op.colour));
        break;
    case PatternOpKind::DrawFrame:
    case PatternOpKind::DrawLine:
    case PatternOpKind::DrawEllipse:
        length = snprintf(buffer, PatternOpTextMax, "%s %d %d %d %d\n", name, static_cast<int>(op.left),
                          static_cast<int>(op.top), static_cast<int>(op.right), static_cast<int>(op.bottom));
        break;
    }
    return static_cast<size_t>(length);
}

// Helpers for looking at the drawing list and the rendered pattern in tests.
#pragma once

#include "pattern/PatternLayout.h"
#include "raster/RenderPattern.h"
#include "render/OpsText.h"

#include <string>
#include <vector>

inline std::vector<PatternOp> CollectPattern(int32_t width, int32_t height)
{
    std::vector<PatternOp> ops;
    PatternLayout(width, height, [&](const PatternOp &op) { ops.push_back(op); });
    return ops;
}

inline std::string PatternOpText(const PatternOp &op)
{
    char buffer[PatternOpTextMax];
    const size_t length = FormatPatternOp(op, buffer);
    return std::string(buffer, length - 1); // without the newline
}

inline std::vector<std::string> PatternOpTexts(const std::vector<PatternOp> &ops)
{
    std::vector<std::string> texts;
    for (const PatternOp &op : ops) {
        texts.push_back(PatternOpText(op));
    }
    return texts;
}

inline std::vector<uint32_t> RenderPattern(int32_t width, int32_t height)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    RenderPatternBand(width, height, 0, height, pixels.data());
    return pixels;
}

// The page's core: the pattern for a canvas of width x height device pixels,
// in a buffer that the page's script puts on the canvas as it is.

#include "raster/RenderPattern.h"

#include <stdlib.h>

namespace {

// The largest canvas Chromium allows: a gigabyte of pixels, which 32-bit
// WebAssembly memory can still hold.
constexpr uint64_t PagePixelLimit = uint64_t{1} << 28;

uint32_t *Frame;
size_t FrameCapacity;

} // namespace

// The pixels, top row first, as the red, green, blue and alpha bytes of an
// ImageData; null when the size is empty, beyond the rasteriser's limits or
// more than memory holds. The buffer is the page's until the next call.
extern "C" __attribute__((export_name("RenderPattern"))) uint32_t *RenderPattern(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0 || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > PagePixelLimit) {
        return nullptr;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (count > FrameCapacity) {
        free(Frame);
        Frame = static_cast<uint32_t *>(malloc(count * sizeof *Frame));
        FrameCapacity = Frame ? count : 0;
    }
    if (!Frame || !RenderPatternBand(width, height, 0, height, Frame, OpaqueAlpha)) {
        return nullptr;
    }
    return Frame;
}

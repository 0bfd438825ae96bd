#include "efi/Edid.h"

namespace {

constexpr size_t BaseBlock = 128;
constexpr uint8_t Header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr size_t FirstTiming = 54; // 18 bytes: pixel clock, then the active sizes

} // namespace

EdidSize PreferredSize(const uint8_t *edid, size_t size)
{
    if (!edid || size == 0) {
        return {EdidStatus::None, 0, 0};
    }
    const EdidSize damaged{EdidStatus::Damaged, 0, 0};
    if (size < BaseBlock) {
        return damaged;
    }
    uint8_t sum = 0;
    for (size_t i = 0; i < BaseBlock; ++i) {
        sum = static_cast<uint8_t>(sum + edid[i]);
        if (i < sizeof Header && edid[i] != Header[i]) {
            return damaged;
        }
    }
    const uint8_t *timing = edid + FirstTiming;
    // A pixel clock of zero marks a display descriptor, not a timing.
    if (sum != 0 || (timing[0] == 0 && timing[1] == 0)) {
        return damaged;
    }
    const uint32_t width = timing[2] | (timing[4] & 0xF0u) << 4;
    const uint32_t height = timing[5] | (timing[7] & 0xF0u) << 4;
    if (width == 0 || height == 0) {
        return damaged;
    }
    return {EdidStatus::Preferred, width, height};
}

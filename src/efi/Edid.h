// The display's preferred size from its EDID, the block of bytes a monitor
// sends to say what it can show. Platform-free: it reads bytes, no firmware.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum class EdidStatus {
    None,      // the display gave no EDID
    Damaged,   // too short, a wrong header or checksum, or no preferred timing
    Preferred, // width x height is the display's preferred size
};

struct EdidSize {
    EdidStatus status;
    uint32_t width, height;
};

// From the 128-byte base block: the first detailed timing descriptor, which
// EDID 1.3 and later make the preferred timing, gives the active pixels.
EdidSize PreferredSize(const uint8_t *edid, size_t size);

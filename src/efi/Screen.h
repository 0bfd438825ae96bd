// The display as the firmware's Graphics Output Protocol drives it: the mode
// to start in, the order the keys step through the display's list, and a
// frame put on it band by band however the mode stores its pixels. Nothing
// here but the protocol itself, so a test can drive it with a fake one.
#pragma once

#include "efi/Edid.h"

#include <efi.h>
#include <stddef.h>
#include <stdint.h>

inline constexpr UINT32 NoMode = 0xFFFFFFFF;

// How a pixel, 0x00BBGGRR, is stored in the frame buffer, or in Blt's buffer
// for a display without one: the bytes it takes and the bits of each colour.
struct PixelCoding {
    uint32_t bytes;
    uint32_t shift[3], width[3]; // red, green, blue
};

struct Screen {
    EFI_GRAPHICS_OUTPUT_PROTOCOL *gop;
    EFI_BOOT_SERVICES *boot; // to free what QueryMode hands back
    EdidSize edid;
    UINT32 bootMode;    // as the firmware booted, to be left in at the end
    UINT32 firstMode;   // shown first, where Home goes back to
    UINT32 mode;        // shown now
    UINT32 refusedMode; // the last one that could not be set, NoMode once another is
    EFI_GRAPHICS_OUTPUT_MODE_INFORMATION info; // of the mode shown
    PixelCoding coding;
};

// Takes the mode the display booted in, or the EDID's preferred size where
// that is another mode of the list. False where no mode can be shown.
bool StartScreen(Screen &screen, EFI_GRAPHICS_OUTPUT_PROTOCOL *gop, EFI_BOOT_SERVICES *boot, EdidSize edid);

// Sets mode. Where it cannot be set, or its pixels cannot be written, the
// mode shown before is set again and the failure kept for the line.
bool ShowMode(Screen &screen, UINT32 mode);

// The mode the display booted in set again, where another is shown.
void LeaveScreen(Screen &screen);

// The mode a key asks for, NoMode for a key that asks for none: the next of
// the list for Right, Down and Page Down, the one before for Left, Up and
// Page Up, both round the list, and Home for the mode shown first. After
// a refused mode the step is taken from that one, so a key gets past it.
UINT32 ModeForKey(const Screen &screen, UINT16 scanCode);

// One band of a frame: rowCount rows of width pixels, 0x00BBGGRR.
using PaintBand = void (*)(const void *context, int width, int height, int firstRow, int rowCount,
                           uint32_t *rows);

// The whole frame of the mode shown, painted and put band by band, never
// a whole frame in memory. EFI_OUT_OF_RESOURCES where a band's memory cannot
// be had; a failed Blt's status, at the first band it refused.
EFI_STATUS DrawFrame(const Screen &screen, PaintBand paint, const void *context);

// The rows each band takes for a mode width pixels wide.
uint32_t BandRows(uint32_t width);

// The technician's line: the mode's number and the display's count, its
// size, pixel format and pitch, and what the EDID says of it.
void DescribeScreen(const Screen &screen, char *line, size_t size);

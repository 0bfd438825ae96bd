#include "efi/Screen.h"

#include "efi/Text.h"
#include "raster/RasterSurface.h"

#include <stdlib.h>

namespace {

// Bands of 64 rows, at most 1 MiB on the widest screens: each band draws the
// whole drawing list again, which fewer rows would repeat too often.
constexpr uint32_t BandRowsMost = 64;
constexpr uint32_t BandBytes = 1024 * 1024;

// Where the colours go, for a mask of the bits of each: contiguous, at most
// 16 bits, not overlapping. No bytes where the mode cannot be written.
PixelCoding CodingOf(const EFI_PIXEL_BITMASK &masks)
{
    const UINT32 colours[3] = {masks.RedMask, masks.GreenMask, masks.BlueMask};
    PixelCoding coding{};
    UINT32 used = masks.ReservedMask;
    for (int i = 0; i < 3; ++i) {
        const UINT32 mask = colours[i];
        if (mask == 0 || (used & mask) != 0) {
            return {};
        }
        used |= mask;
        coding.shift[i] = static_cast<uint32_t>(__builtin_ctz(mask));
        const UINT32 bits = mask >> coding.shift[i];
        if ((bits & (bits + 1)) != 0 || bits > 0xFFFF) {
            return {};
        }
        coding.width[i] = static_cast<uint32_t>(__builtin_popcount(bits));
    }
    coding.bytes = (31 - static_cast<uint32_t>(__builtin_clz(used))) / 8 + 1;
    return coding;
}

PixelCoding CodingOf(const EFI_GRAPHICS_OUTPUT_MODE_INFORMATION &info)
{
    switch (info.PixelFormat) {
    case PixelRedGreenBlueReserved8BitPerColor:
        return CodingOf(EFI_PIXEL_BITMASK{0x0000FF, 0x00FF00, 0xFF0000, 0xFF000000});
    case PixelBlueGreenRedReserved8BitPerColor:
    case PixelBltOnly: // Blt's pixels are blue, green, red, reserved
        return CodingOf(EFI_PIXEL_BITMASK{0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000});
    case PixelBitMask:
        return CodingOf(info.PixelInformation);
    default:
        return {};
    }
}

// An 8-bit colour in width bits: its top bits, or repeated into the low bits
// of a wider field so that full stays full.
uint32_t Channel(uint32_t value, uint32_t width)
{
    return width <= 8 ? value >> (8 - width) : value << (width - 8) | value >> (16 - width);
}

uint32_t Encode(uint32_t pixel, const PixelCoding &coding)
{
    return Channel(pixel & 0xFF, coding.width[0]) << coding.shift[0] |
           Channel(pixel >> 8 & 0xFF, coding.width[1]) << coding.shift[1] |
           Channel(pixel >> 16 & 0xFF, coding.width[2]) << coding.shift[2];
}

// count pixels as the mode stores them, at out; out may be in itself.
void EncodeRow(uint8_t *out, const uint32_t *in, size_t count, const PixelCoding &coding)
{
    if (coding.bytes == 4) {
        uint32_t *pixels = reinterpret_cast<uint32_t *>(out);
        for (size_t i = 0; i < count; ++i) {
            pixels[i] = Encode(in[i], coding);
        }
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t value = Encode(in[i], coding);
        for (uint32_t byte = 0; byte < coding.bytes; ++byte) {
            *out++ = static_cast<uint8_t>(value >> 8 * byte);
        }
    }
}

// Whether every row of the mode lies inside its frame buffer.
bool FrameFits(const EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE &mode, const PixelCoding &coding)
{
    const EFI_GRAPHICS_OUTPUT_MODE_INFORMATION &info = *mode.Info;
    if (info.PixelFormat == PixelBltOnly) {
        return true;
    }
    const uint64_t pitch = uint64_t{info.PixelsPerScanLine} * coding.bytes;
    const uint64_t end = pitch * (info.VerticalResolution - 1) + uint64_t{info.HorizontalResolution} * coding.bytes;
    return mode.FrameBufferBase != 0 && info.PixelsPerScanLine >= info.HorizontalResolution &&
           end <= mode.FrameBufferSize;
}

bool Drawable(const EFI_GRAPHICS_OUTPUT_MODE_INFORMATION &info)
{
    return info.HorizontalResolution >= 1 && info.HorizontalResolution <= RasterSideLimit &&
           info.VerticalResolution >= 1 && info.VerticalResolution <= RasterSideLimit && CodingOf(info).bytes != 0;
}

// A mode of the list by its size: the first of that size, or NoMode.
UINT32 ModeOfSize(const Screen &screen, uint32_t width, uint32_t height)
{
    for (UINT32 mode = 0; mode < screen.gop->Mode->MaxMode; ++mode) {
        UINTN size = 0;
        EFI_GRAPHICS_OUTPUT_MODE_INFORMATION *info = nullptr;
        if (screen.gop->QueryMode(screen.gop, mode, &size, &info) != EFI_SUCCESS) {
            continue;
        }
        const bool found = info->HorizontalResolution == width && info->VerticalResolution == height;
        screen.boot->FreePool(info);
        if (found) {
            return mode;
        }
    }
    return NoMode;
}

// The mode the display shows now, as the protocol reports it.
bool TakeCurrent(Screen &screen)
{
    const EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE &mode = *screen.gop->Mode;
    if (mode.Mode >= mode.MaxMode || !mode.Info || !Drawable(*mode.Info) || !FrameFits(mode, CodingOf(*mode.Info))) {
        return false;
    }
    screen.mode = mode.Mode;
    screen.info = *mode.Info;
    screen.coding = CodingOf(*mode.Info);
    return true;
}

} // namespace

bool StartScreen(Screen &screen, EFI_GRAPHICS_OUTPUT_PROTOCOL *gop, EFI_BOOT_SERVICES *boot, EdidSize edid)
{
    screen = Screen{gop, boot, edid, gop->Mode->Mode, NoMode, NoMode, NoMode, {}, {}};
    // Where the firmware's mode cannot be drawn in, the first of the list that can.
    if (!TakeCurrent(screen)) {
        for (UINT32 mode = 0; mode < gop->Mode->MaxMode && !ShowMode(screen, mode); ++mode) {
        }
    }
    if (screen.mode == NoMode) {
        return false;
    }
    if (screen.bootMode >= gop->Mode->MaxMode) {
        screen.bootMode = screen.mode;
    }
    if (edid.status == EdidStatus::Preferred) {
        const UINT32 preferred = ModeOfSize(screen, edid.width, edid.height);
        if (preferred != NoMode && preferred != screen.mode) {
            ShowMode(screen, preferred);
        }
    }
    screen.firstMode = screen.mode;
    return true;
}

bool ShowMode(Screen &screen, UINT32 mode)
{
    EFI_GRAPHICS_OUTPUT_PROTOCOL *gop = screen.gop;
    UINTN size = 0;
    EFI_GRAPHICS_OUTPUT_MODE_INFORMATION *info = nullptr;
    bool usable = gop->QueryMode(gop, mode, &size, &info) == EFI_SUCCESS;
    if (usable) {
        usable = Drawable(*info);
        screen.boot->FreePool(info);
    }
    if (usable && (gop->Mode->Mode == mode || gop->SetMode(gop, mode) == EFI_SUCCESS) && TakeCurrent(screen)) {
        screen.refusedMode = NoMode;
        return true;
    }
    screen.refusedMode = mode;
    // Back to the mode shown before, then that taken again from the display:
    // should the firmware refuse even that, no frame may be drawn with one
    // mode's geometry into another's frame buffer.
    if (screen.mode != NoMode && gop->Mode->Mode != screen.mode &&
        (gop->SetMode(gop, screen.mode) != EFI_SUCCESS || !TakeCurrent(screen))) {
        screen.mode = NoMode;
    }
    return false;
}

void LeaveScreen(Screen &screen)
{
    if (screen.mode != screen.bootMode) {
        screen.gop->SetMode(screen.gop, screen.bootMode);
    }
}

UINT32 ModeForKey(const Screen &screen, UINT16 scanCode)
{
    const UINT32 count = screen.gop->Mode->MaxMode;
    const UINT32 from = screen.refusedMode != NoMode ? screen.refusedMode : screen.mode;
    switch (scanCode) {
    case SCAN_RIGHT:
    case SCAN_DOWN:
    case SCAN_PAGE_DOWN:
        return (from + 1) % count;
    case SCAN_LEFT:
    case SCAN_UP:
    case SCAN_PAGE_UP:
        return (from + count - 1) % count;
    case SCAN_HOME:
        return screen.firstMode;
    default:
        return NoMode;
    }
}

uint32_t BandRows(uint32_t width)
{
    const uint32_t rows = BandBytes / (4 * width);
    return rows > BandRowsMost ? BandRowsMost : rows > 0 ? rows : 1;
}

EFI_STATUS DrawFrame(const Screen &screen, PaintBand paint, const void *context)
{
    if (screen.mode == NoMode) {
        return EFI_NOT_READY;
    }
    const uint32_t width = screen.info.HorizontalResolution, height = screen.info.VerticalResolution;
    const uint32_t rows = BandRows(width);
    uint32_t *band = static_cast<uint32_t *>(malloc(size_t{width} * rows * sizeof(uint32_t)));
    if (!band) {
        return EFI_OUT_OF_RESOURCES;
    }
    EFI_GRAPHICS_OUTPUT_PROTOCOL *gop = screen.gop;
    const size_t pitch = size_t{screen.info.PixelsPerScanLine} * screen.coding.bytes;
    EFI_STATUS status = EFI_SUCCESS;
    for (uint32_t first = 0; first < height && status == EFI_SUCCESS; first += rows) {
        const uint32_t count = rows < height - first ? rows : height - first;
        paint(context, static_cast<int>(width), static_cast<int>(height), static_cast<int>(first),
              static_cast<int>(count), band);
        if (screen.info.PixelFormat == PixelBltOnly) {
            EncodeRow(reinterpret_cast<uint8_t *>(band), band, size_t{width} * count, screen.coding);
            status = gop->Blt(gop, reinterpret_cast<EFI_GRAPHICS_OUTPUT_BLT_PIXEL *>(band), EfiBltBufferToVideo, 0, 0,
                              0, first, width, count, 0);
            continue;
        }
        uint8_t *frame = reinterpret_cast<uint8_t *>(static_cast<uintptr_t>(gop->Mode->FrameBufferBase));
        for (uint32_t row = 0; row < count; ++row) {
            EncodeRow(frame + (first + row) * pitch, band + size_t{row} * width, width, screen.coding);
        }
    }
    free(band);
    return status;
}

void DescribeScreen(const Screen &screen, char *text, size_t size)
{
    Line line{text, size, 0};
    if (screen.mode == NoMode) {
        line << "Mode " << screen.refusedMode + 1 << " could not be set, nor the mode before it again.";
        return;
    }
    if (screen.refusedMode != NoMode) {
        line << "Mode " << screen.refusedMode + 1 << " could not be set; mode ";
    } else {
        line << "Mode ";
    }
    const EFI_GRAPHICS_OUTPUT_MODE_INFORMATION &info = screen.info;
    line << screen.mode + 1 << " of " << screen.gop->Mode->MaxMode << ": " << info.HorizontalResolution << " x "
         << info.VerticalResolution << ", ";
    switch (info.PixelFormat) {
    case PixelRedGreenBlueReserved8BitPerColor:
        line << "32-bit red-green-blue";
        break;
    case PixelBlueGreenRedReserved8BitPerColor:
        line << "32-bit blue-green-red";
        break;
    case PixelBltOnly:
        line << "Blt only";
        break;
    default:
        line << screen.coding.bytes * 8 << "-bit mask red ";
        line.Hex(info.PixelInformation.RedMask) << " green ";
        line.Hex(info.PixelInformation.GreenMask) << " blue ";
        line.Hex(info.PixelInformation.BlueMask);
        break;
    }
    line << ", " << info.PixelsPerScanLine << " pixels a line; ";
    switch (screen.edid.status) {
    case EdidStatus::None:
        line << "the display gave no EDID.";
        break;
    case EdidStatus::Damaged:
        line << "the display's EDID is damaged.";
        break;
    case EdidStatus::Preferred:
        if (screen.edid.width == info.HorizontalResolution && screen.edid.height == info.VerticalResolution) {
            line << "the display's preferred mode by its EDID.";
        } else {
            line << "the display prefers " << screen.edid.width << " x " << screen.edid.height << " by its EDID.";
        }
        break;
    }
}

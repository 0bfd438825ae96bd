// quorvane.efi's display logic over a fake Graphics Output Protocol whose frame buffer is host memory: each
// pixel format, a pitch wider than the screen, Blt only, the modes the keys step to, modes that fail, and the
// EDID's preferred size, real-shaped, absent and damaged in each way.
#include "SequenceDiff.h"

#include "efi/Screen.h"
#include "raster/RenderPattern.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

enum class Fault { None, Refused, RefusedAgain, FrameTooSmall, BltFails };

struct FakeMode {
    UINT32 width, height, pitch;
    EFI_GRAPHICS_PIXEL_FORMAT format;
    EFI_PIXEL_BITMASK masks; // where the colours are, whatever the format
    // SetMode fails, or fails after the first time; sets a frame buffer a byte short; Blt refuses the second band
    Fault fault = Fault::None;
    bool set = false;
};

// The protocol first, so that This is the fake.
struct FakeDisplay {
    EFI_GRAPHICS_OUTPUT_PROTOCOL gop;
    EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE mode;
    EFI_GRAPHICS_OUTPUT_MODE_INFORMATION info;
    std::vector<FakeMode> modes;
    std::vector<uint8_t> frame; // the frame buffer, or what Blt drew; bytes past each row marked
    UINT32 mostRows = 0;        // in one Blt
};

constexpr uint8_t Unwritten = 0xA5;

FakeDisplay &Fake(EFI_GRAPHICS_OUTPUT_PROTOCOL *gop)
{
    return *reinterpret_cast<FakeDisplay *>(gop);
}

EFI_STATUS EFIAPI QueryMode(EFI_GRAPHICS_OUTPUT_PROTOCOL *gop, UINT32 number, UINTN *size,
                            EFI_GRAPHICS_OUTPUT_MODE_INFORMATION **info)
{
    *info = static_cast<EFI_GRAPHICS_OUTPUT_MODE_INFORMATION *>(malloc(sizeof **info));
    const FakeMode &mode = Fake(gop).modes.at(number);
    **info = {0, mode.width, mode.height, mode.format, mode.masks, mode.pitch};
    *size = sizeof **info;
    return EFI_SUCCESS;
}

uint32_t BytesOf(const FakeMode &mode)
{
    const EFI_PIXEL_BITMASK &m = mode.masks;
    const UINT32 used = m.RedMask | m.GreenMask | m.BlueMask | m.ReservedMask;
    return mode.format == PixelBitMask ? (32 - __builtin_clz(used) + 7) / 8 : 4;
}

EFI_STATUS EFIAPI SetMode(EFI_GRAPHICS_OUTPUT_PROTOCOL *gop, UINT32 number)
{
    FakeDisplay &fake = Fake(gop);
    FakeMode &mode = fake.modes.at(number);
    if (mode.fault == Fault::Refused || (mode.fault == Fault::RefusedAgain && mode.set)) {
        return EFI_DEVICE_ERROR;
    }
    mode.set = true;
    fake.info = {0, mode.width, mode.height, mode.format, mode.masks, mode.pitch};
    fake.mode.Mode = number;
    fake.frame.assign(size_t{mode.pitch} * mode.height * BytesOf(mode), Unwritten);
    const bool blt = mode.format == PixelBltOnly;
    fake.mode.FrameBufferBase = blt ? 0 : reinterpret_cast<uintptr_t>(fake.frame.data());
    fake.mode.FrameBufferSize = blt ? 0 : fake.frame.size() - (mode.fault == Fault::FrameTooSmall);
    return EFI_SUCCESS;
}

EFI_STATUS EFIAPI Blt(EFI_GRAPHICS_OUTPUT_PROTOCOL *gop, EFI_GRAPHICS_OUTPUT_BLT_PIXEL *buffer,
                      EFI_GRAPHICS_OUTPUT_BLT_OPERATION operation, UINTN, UINTN, UINTN x, UINTN y, UINTN width,
                      UINTN height, UINTN delta)
{
    FakeDisplay &fake = Fake(gop);
    if (operation != EfiBltBufferToVideo || x != 0 || delta != 0 || y + height > fake.info.VerticalResolution) {
        return EFI_INVALID_PARAMETER;
    }
    if (fake.modes[fake.mode.Mode].fault == Fault::BltFails && y > 0 && y == fake.mostRows) { // the second band
        return EFI_DEVICE_ERROR;
    }
    for (UINTN row = 0; row < height; ++row) {
        memcpy(&fake.frame[(y + row) * fake.info.PixelsPerScanLine * 4], buffer + row * width, width * 4);
    }
    fake.mostRows = std::max<UINT32>(fake.mostRows, static_cast<UINT32>(height));
    return EFI_SUCCESS;
}

EFI_STATUS EFIAPI FreePool(void *memory)
{
    free(memory);
    return EFI_SUCCESS;
}

// An 8-bit colour as a field of the mask's width holds it: the nearest level, so that full stays full.
uint32_t FieldFor(uint32_t colour, UINT32 mask)
{
    const uint32_t most = mask >> __builtin_ctz(mask);
    return ((colour & 0xFF) * most + 127) / 255 << __builtin_ctz(mask);
}

// The screen against the pattern, and the bytes past each row untouched.
std::string Frame(const FakeDisplay &fake)
{
    const FakeMode &mode = fake.modes[fake.mode.Mode];
    std::vector<uint32_t> pattern(size_t{mode.width} * mode.height);
    RenderPatternBand(mode.width, mode.height, 0, mode.height, pattern.data());
    const EFI_PIXEL_BITMASK &masks = mode.masks;
    const uint32_t bytes = BytesOf(mode);
    for (UINT32 y = 0; y < mode.height; ++y) {
        for (UINT32 x = 0; x < mode.pitch; ++x) {
            const uint8_t *at = &fake.frame[(size_t{y} * mode.pitch + x) * bytes];
            if (x >= mode.width) {
                if (*at != Unwritten) {
                    return "written past the row at " + std::to_string(x) + ", " + std::to_string(y);
                }
                continue;
            }
            uint32_t got = 0;
            memcpy(&got, at, bytes);
            const uint32_t colour = pattern[size_t{y} * mode.width + x];
            const uint32_t want = FieldFor(colour, masks.RedMask) | FieldFor(colour >> 8, masks.GreenMask) |
                                  FieldFor(colour >> 16, masks.BlueMask);
            if ((got & (masks.RedMask | masks.GreenMask | masks.BlueMask)) != want) {
                char values[40];
                snprintf(values, sizeof values, ": 0x%X, not 0x%X", got, want);
                return "differs at " + std::to_string(x) + ", " + std::to_string(y) + values;
            }
        }
    }
    return "exact";
}

// A monitor's EDID base block: vendor, product, version 1.4, digital input, the preferred timing first, the
// checksum, which covers the bytes changed.
std::vector<uint8_t> Edid(uint32_t width, uint32_t height, std::vector<std::pair<size_t, uint8_t>> changed = {})
{
    const uint8_t head[25] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10, 0xAC, 0x5A, 0xA0, 0x4C,
                              0x30, 0x33, 0x31, 0x1A, 0x1E, 0x01, 0x04, 0xB5, 0x35, 0x1E, 0x78, 0x3A};
    const uint8_t timing[18] = {0x02, 0x3A, static_cast<uint8_t>(width), 0x18,
                                static_cast<uint8_t>(width >> 8 << 4 | 0x1), static_cast<uint8_t>(height), 0x2D,
                                static_cast<uint8_t>(height >> 8 << 4), 0x58, 0x2C, 0x45, 0x00, 0x0F, 0x28, 0x21,
                                0x00, 0x00, 0x1E};
    std::vector<uint8_t> edid(128);
    memcpy(&edid[0], head, sizeof head);
    memcpy(&edid[54], timing, sizeof timing);
    for (const auto &[at, value] : changed) {
        edid[at] = value;
    }
    uint8_t sum = 0;
    for (size_t i = 0; i < 127; ++i) {
        sum = static_cast<uint8_t>(sum + edid[i]);
    }
    edid[127] = static_cast<uint8_t>(-sum);
    return edid;
}

TEST(EfiScreen, DrawsEveryPixelFormatAndStepsThroughTheModes)
{
    const EFI_PIXEL_BITMASK blueGreenRed{0xFF0000, 0xFF00, 0xFF, 0};
    const EFI_PIXEL_BITMASK redGreenBlue{0xFF, 0xFF00, 0xFF0000, 0};
    const FakeMode bgr{1366, 768, 1376, PixelBlueGreenRedReserved8BitPerColor, blueGreenRed};
    const FakeMode rgb{800, 600, 800, PixelRedGreenBlueReserved8BitPerColor, redGreenBlue};
    const FakeMode refused{800, 600, 800, PixelRedGreenBlueReserved8BitPerColor, redGreenBlue, Fault::Refused};
    const FakeMode tooSmall{1024, 768, 1024, PixelRedGreenBlueReserved8BitPerColor, redGreenBlue, Fault::FrameTooSmall};
    const FakeMode once{800, 600, 800, PixelRedGreenBlueReserved8BitPerColor, redGreenBlue, Fault::RefusedAgain};
    const FakeMode mask30{640, 480, 640, PixelBitMask, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}};
    const FakeMode mask24{1000, 300, 1024, PixelBitMask, blueGreenRed};
    const FakeMode blt{1024, 768, 1024, PixelBltOnly, blueGreenRed};
    const FakeMode bltFails{1024, 768, 1024, PixelBltOnly, blueGreenRed, Fault::BltFails};
    std::vector<uint8_t> damaged = Edid(1366, 768);
    damaged[60] ^= 1;
    struct Case {
        std::vector<FakeMode> modes;
        UINT32 booted;
        std::vector<uint8_t> edid;
        std::vector<UINT16> keys;
        size_t edidCut = 0; // bytes of the EDID not handed over
    };
    const std::vector<Case> cases = {
        {{rgb, bgr}, 1, {}, {}},
        {{rgb}, 0, Edid(1920, 1080), {}},
        // The EDID damaged: its checksum, its header, a block a byte short, a first descriptor that is no timing.
        {{mask30}, 0, damaged, {}},
        {{mask30}, 0, Edid(1366, 768, {{7, 0x01}}), {}},
        {{mask30}, 0, Edid(1366, 768), {}, 1},
        {{mask30}, 0, Edid(1366, 768, {{54, 0}, {55, 0}}), {}},
        {{mask24}, 0, Edid(1000, 300), {}},
        {{blt}, 0, {}, {}},
        {{bltFails}, 0, {}, {}},
        // Booted in 800x600, the EDID's 1366x768 taken; 800x600 again cannot be set.
        {{rgb, blt, refused, bgr}, 0, Edid(1366, 768),
         {SCAN_RIGHT, SCAN_DOWN, SCAN_PAGE_DOWN, SCAN_LEFT, SCAN_UP, SCAN_PAGE_UP, SCAN_HOME, SCAN_F1}},
        // Set, but its frame buffer cannot hold it: the mode before is set again, or where that is refused too,
        // no mode is drawn on.
        {{rgb, tooSmall}, 0, {}, {SCAN_RIGHT}},
        {{once, tooSmall}, 0, {}, {SCAN_RIGHT}},
    };
    const auto described = [](const Screen &screen) {
        char line[256];
        DescribeScreen(screen, line, sizeof line);
        return std::string(line);
    };
    const PaintBand paint = [](const void *, int w, int h, int first, int count, uint32_t *rows) {
        RenderPatternBand(w, h, first, count, rows);
    };
    std::vector<std::string> actual;
    for (const Case &c : cases) {
        FakeDisplay fake{{QueryMode, SetMode, Blt, nullptr}, {}, {}, c.modes, {}, 0};
        fake.gop.Mode = &fake.mode;
        fake.mode.MaxMode = static_cast<UINT32>(c.modes.size());
        fake.mode.Info = &fake.info;
        SetMode(&fake.gop, c.booted);
        EFI_BOOT_SERVICES boot{};
        boot.FreePool = FreePool;
        Screen screen{};
        StartScreen(screen, &fake.gop, &boot, PreferredSize(c.edid.data(), c.edid.size() - c.edidCut));
        actual.push_back(described(screen));
        const EFI_STATUS drawn = DrawFrame(screen, paint, nullptr);
        actual.push_back(drawn != EFI_SUCCESS ? "not drawn: error " + std::to_string(drawn & 0xFF)
                         : Frame(fake) + (c.modes[screen.mode].format == PixelBltOnly
                                              ? ", Blt of " + std::to_string(fake.mostRows) + " rows at most"
                                              : ""));
        // The mode each key leads to, the line where one is refused, and the display's where it is not that.
        for (UINT16 key : c.keys) {
            const UINT32 mode = ModeForKey(screen, key);
            const bool refused = mode != NoMode && !ShowMode(screen, mode);
            actual.push_back("key " + std::to_string(key) + ": " +
                             (screen.mode == NoMode ? "no mode" : "mode " + std::to_string(screen.mode + 1)) +
                             (refused ? ": " + described(screen) : "") +
                             (fake.mode.Mode != screen.mode ? " (the display in mode " +
                                                                  std::to_string(fake.mode.Mode + 1) + ")"
                                                            : ""));
        }
        if (!c.keys.empty()) {
            LeaveScreen(screen);
            actual.push_back("left in mode " + std::to_string(fake.mode.Mode + 1));
        }
    }
    const std::string damaged10Bit = "Mode 1 of 1: 640 x 480, 32-bit mask red 0x3FF00000 green 0xFFC00 blue 0x3FF, "
                                     "640 pixels a line; the display's EDID is damaged.";
    EXPECT_TRUE(SameSequence(actual, {
        "Mode 2 of 2: 1366 x 768, 32-bit blue-green-red, 1376 pixels a line; the display gave no EDID.",
        "exact",
        "Mode 1 of 1: 800 x 600, 32-bit red-green-blue, 800 pixels a line; the display prefers 1920 x 1080 by its "
        "EDID.",
        "exact",
        damaged10Bit, "exact", damaged10Bit, "exact", damaged10Bit, "exact", damaged10Bit, "exact",
        "Mode 1 of 1: 1000 x 300, 24-bit mask red 0xFF0000 green 0xFF00 blue 0xFF, 1024 pixels a line; the "
        "display's preferred mode by its EDID.",
        "exact",
        "Mode 1 of 1: 1024 x 768, Blt only, 1024 pixels a line; the display gave no EDID.",
        "exact, Blt of 64 rows at most",
        "Mode 1 of 1: 1024 x 768, Blt only, 1024 pixels a line; the display gave no EDID.",
        "not drawn: error 7",
        "Mode 4 of 4: 1366 x 768, 32-bit blue-green-red, 1376 pixels a line; the display's preferred mode by its EDID.",
        "exact",
        "key 3: mode 1", "key 2: mode 2",
        "key 10: mode 2: Mode 3 could not be set; mode 2 of 4: 1024 x 768, Blt only, 1024 pixels a line; the "
        "display prefers 1366 x 768 by its EDID.",
        "key 4: mode 2", "key 1: mode 1", "key 9: mode 4", "key 5: mode 4", "key 11: mode 4", "left in mode 1",
        "Mode 1 of 2: 800 x 600, 32-bit red-green-blue, 800 pixels a line; the display gave no EDID.",
        "exact",
        "key 3: mode 1: Mode 2 could not be set; mode 1 of 2: 800 x 600, 32-bit red-green-blue, 800 pixels a line; "
        "the display gave no EDID.",
        "left in mode 1",
        "Mode 1 of 2: 800 x 600, 32-bit red-green-blue, 800 pixels a line; the display gave no EDID.",
        "exact",
        "key 3: no mode: Mode 2 could not be set, nor the mode before it again. (the display in mode 2)",
        "left in mode 2"}));
}

} // namespace

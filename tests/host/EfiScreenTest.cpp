// quorvane.efi's display logic over a fake Graphics Output Protocol whose frame buffer is host memory: each
// pixel format, a pitch wider than the screen, Blt only, the modes the keys step to, a refused mode, and the
// EDID's preferred size, real-shaped, absent and damaged.
#include "SequenceDiff.h"

#include "efi/Screen.h"
#include "raster/RenderPattern.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

struct FakeMode {
    UINT32 width, height, pitch;
    EFI_GRAPHICS_PIXEL_FORMAT format;
    EFI_PIXEL_BITMASK masks; // where the colours are, whatever the format
    bool refused;            // SetMode fails
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
    const FakeMode &mode = fake.modes.at(number);
    if (mode.refused) {
        return EFI_DEVICE_ERROR;
    }
    fake.info = {0, mode.width, mode.height, mode.format, mode.masks, mode.pitch};
    fake.mode.Mode = number;
    fake.frame.assign(size_t{mode.pitch} * mode.height * BytesOf(mode), Unwritten);
    const bool blt = mode.format == PixelBltOnly;
    fake.mode.FrameBufferBase = blt ? 0 : reinterpret_cast<uintptr_t>(fake.frame.data());
    fake.mode.FrameBufferSize = blt ? 0 : fake.frame.size();
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

// 8 bits of a colour field, from its top.
uint32_t FieldOf(uint32_t value, UINT32 mask)
{
    const int width = __builtin_popcount(mask);
    const uint32_t field = (value & mask) >> __builtin_ctz(mask);
    return width >= 8 ? field >> (width - 8) : field << (8 - width);
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
            uint32_t value = 0;
            memcpy(&value, at, bytes);
            const uint32_t want = pattern[size_t{y} * mode.width + x];
            const uint32_t got = FieldOf(value, masks.RedMask) | FieldOf(value, masks.GreenMask) << 8 |
                                 FieldOf(value, masks.BlueMask) << 16;
            if (got != want) {
                return "differs at " + std::to_string(x) + ", " + std::to_string(y);
            }
        }
    }
    return "exact";
}

// A monitor's EDID base block: vendor, product, version 1.4, digital input, the preferred timing first, the
// checksum.
std::vector<uint8_t> Edid(uint32_t width, uint32_t height)
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
    const FakeMode bgr{1366, 768, 1376, PixelBlueGreenRedReserved8BitPerColor, blueGreenRed, false};
    const FakeMode rgb{800, 600, 800, PixelRedGreenBlueReserved8BitPerColor, {0xFF, 0xFF00, 0xFF0000, 0}, false};
    const FakeMode refused{800, 600, 800, PixelRedGreenBlueReserved8BitPerColor, {0xFF, 0xFF00, 0xFF0000, 0}, true};
    const FakeMode mask30{640, 480, 640, PixelBitMask, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, false};
    const FakeMode mask24{1000, 300, 1024, PixelBitMask, blueGreenRed, false};
    const FakeMode blt{1024, 768, 1024, PixelBltOnly, blueGreenRed, false};
    std::vector<uint8_t> damaged = Edid(1366, 768);
    damaged[60] ^= 1;
    struct Case { std::vector<FakeMode> modes; UINT32 booted; std::vector<uint8_t> edid; std::vector<UINT16> keys; };
    const std::vector<Case> cases = {
        {{rgb, bgr}, 1, {}, {}},
        {{rgb}, 0, Edid(1920, 1080), {}},
        {{mask30}, 0, damaged, {}},
        {{mask24}, 0, Edid(1000, 300), {}},
        {{blt}, 0, {}, {}},
        // Booted in 800x600, the EDID's 1366x768 taken; 800x600 again cannot be set.
        {{rgb, blt, refused, bgr}, 0, Edid(1366, 768),
         {SCAN_RIGHT, SCAN_DOWN, SCAN_PAGE_DOWN, SCAN_LEFT, SCAN_UP, SCAN_PAGE_UP, SCAN_HOME, SCAN_F1}},
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
        StartScreen(screen, &fake.gop, &boot, PreferredSize(c.edid.data(), c.edid.size()));
        actual.push_back(described(screen));
        DrawFrame(screen, paint, nullptr);
        actual.push_back(Frame(fake) + (c.modes[screen.mode].format == PixelBltOnly
                                            ? ", Blt of " + std::to_string(fake.mostRows) + " rows at most"
                                            : ""));
        // The mode each key leads to, and the line where one is refused.
        for (UINT16 key : c.keys) {
            const UINT32 mode = ModeForKey(screen, key);
            const bool refused = mode != NoMode && !ShowMode(screen, mode);
            actual.push_back("key " + std::to_string(key) + ": mode " + std::to_string(screen.mode + 1) +
                             (refused ? ": " + described(screen) : ""));
        }
    }
    EXPECT_TRUE(SameSequence(actual, {
        "Mode 2 of 2: 1366 x 768, 32-bit blue-green-red, 1376 pixels a line; the display gave no EDID.",
        "exact",
        "Mode 1 of 1: 800 x 600, 32-bit red-green-blue, 800 pixels a line; the display prefers 1920 x 1080 by its "
        "EDID.",
        "exact",
        "Mode 1 of 1: 640 x 480, 32-bit mask red 0x3FF00000 green 0xFFC00 blue 0x3FF, 640 pixels a line; the "
        "display's EDID is damaged.",
        "exact",
        "Mode 1 of 1: 1000 x 300, 24-bit mask red 0xFF0000 green 0xFF00 blue 0xFF, 1024 pixels a line; the "
        "display's preferred mode by its EDID.",
        "exact",
        "Mode 1 of 1: 1024 x 768, Blt only, 1024 pixels a line; the display gave no EDID.",
        "exact, Blt of 64 rows at most",
        "Mode 4 of 4: 1366 x 768, 32-bit blue-green-red, 1376 pixels a line; the display's preferred mode by its EDID.",
        "exact",
        "key 3: mode 1", "key 2: mode 2",
        "key 10: mode 2: Mode 3 could not be set; mode 2 of 4: 1024 x 768, Blt only, 1024 pixels a line; the "
        "display prefers 1366 x 768 by its EDID.",
        "key 4: mode 2", "key 1: mode 1", "key 9: mode 4", "key 5: mode 4", "key 11: mode 4"}));
}

} // namespace

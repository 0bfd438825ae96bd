// quorvane.efi's benchmark builds (efi-bench.sh), one for each size and first frame: the application's own
// start, timed from this entry to the end of its first complete frame, the pattern's or one colour's
// (QUORVANE_EFI_BENCH_COLOUR), each from a boot of its own, as the first frame also pays for what the firmware and
// the emulator do only once. Then, warm, the path from the mode the firmware booted in to a complete frame, best of
// five, for each alternately. The figures go to the console, and the build returns to the firmware.
#include "efi/App.h"
#include "efi/Text.h"

#include <stddef.h>
#include <stdint.h>

namespace {

uint64_t Ticks()
{
    return __builtin_ia32_rdtsc();
}

void PaintColour(const void *, int width, int, int, int rowCount, uint32_t *rows)
{
    for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(rowCount); ++i) {
        rows[i] = 0x808080;
    }
}

#ifdef QUORVANE_EFI_BENCH_COLOUR
constexpr PaintBand FirstFrame = PaintColour;
constexpr char FirstFrameName[] = "one colour";
#else
constexpr PaintBand FirstFrame = PaintPattern;
constexpr char FirstFrameName[] = "the pattern";
#endif

// The size to measure taken as the display's preferred one where it names none: qemu's standard VGA gives OVMF no
// EDID, which then boots 3840x2160 at 1280x800.
bool TakeSize(App &app)
{
    return app.screen.edid.status != EdidStatus::None ||
           StartScreen(app.screen, app.screen.gop, app.system->BootServices,
                       {EdidStatus::Preferred, QUORVANE_EFI_BENCH_WIDTH, QUORVANE_EFI_BENCH_HEIGHT});
}

uint64_t TimePath(App &app, PaintBand paint)
{
    app.screen.gop->SetMode(app.screen.gop, app.screen.bootMode);
    const uint64_t started = Ticks();
    if (!Start(app) || !TakeSize(app) || DrawFrame(app.screen, paint, nullptr) != EFI_SUCCESS) {
        return 0;
    }
    return Ticks() - started;
}

// The first frame from entered, then the warm paths; the figures in text.
EFI_STATUS Bench(App &app, uint64_t entered, char *text, size_t size)
{
    if (!TakeSize(app) || DrawFrame(app.screen, FirstFrame, nullptr) != EFI_SUCCESS) {
        return EFI_OUT_OF_RESOURCES;
    }
    const uint64_t first = Ticks() - entered;
    uint64_t pattern = UINT64_MAX, colour = UINT64_MAX;
    for (int i = 0; i < 5; ++i) {
        const uint64_t drawn = TimePath(app, PaintPattern), filled = TimePath(app, PaintColour);
        if (drawn == 0 || filled == 0) {
            return EFI_OUT_OF_RESOURCES;
        }
        pattern = drawn < pattern ? drawn : pattern;
        colour = filled < colour ? filled : colour;
    }
    const uint64_t calibrating = Ticks();
    app.system->BootServices->Stall(100000);
    const uint64_t perMillisecond = (Ticks() - calibrating) / 100;
    Line figures{text, size, 0};
    const auto us = [&](uint64_t ticks) -> Line & {
        return figures << static_cast<uint32_t>(ticks * 1000 / perMillisecond) << " us";
    };
    const EFI_GRAPHICS_OUTPUT_MODE_INFORMATION &info = app.screen.info;
    const uint32_t hundredths = static_cast<uint32_t>(pattern * 100 / colour);
    figures << "Quorvane benchmark, " << info.HorizontalResolution << "x" << info.VerticalResolution
            << (info.PixelFormat == PixelBltOnly ? " through Blt" : " in the frame buffer") << ", " << FirstFrameName
            << ": start to first frame ";
    us(first) << "; warm, best of 5: the pattern ";
    us(pattern) << ", one colour ";
    us(colour) << ", ratio " << hundredths / 100 << (hundredths % 100 < 10 ? ".0" : ".") << hundredths % 100
               << "\r\n";
    return EFI_SUCCESS;
}

} // namespace

extern "C" EFI_STATUS EFIAPI EfiBenchMain(EFI_HANDLE, EFI_SYSTEM_TABLE *system)
{
    const uint64_t entered = Ticks();
    App app{};
    if (!Open(app, system)) {
        return EFI_UNSUPPORTED;
    }
    char figures[256] = "";
    const EFI_STATUS status = Bench(app, entered, figures, sizeof figures);
    Close(app);
    Say(system->ConOut, figures);
    return status;
}

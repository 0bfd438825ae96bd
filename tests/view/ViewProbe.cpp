// The viewer tests' eyes and hands, one tool for every platform:
//   compare WIDTH HEIGHT FILE.ppm  0: the capture is the pattern; 1: it differs (first differences on stdout)
//   compare-dialog WIDTH HEIGHT LINE FILE.ppm  the same for the pause dialog with this technician's line
//   cursor   X11: 0 when the cursor image has no visible pixel, 1 when it has
//   pointer  Wayland: for each line "X Y XEXTENT YEXTENT" on stdin, a left click there in the layout
//   exit WIDTH HEIGHT  where the dialog's Exit button is, in device pixels, "X Y WIDTH HEIGHT" for pointer
#include "drawndialog/DrawnDialog.h"
#include "raster/RenderPattern.h"
#include "wlr-virtual-pointer-client-protocol.h"

#include <X11/extensions/Xfixes.h>
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The capture against the frame expected, which what names.
int CompareCapture(int width, int height, const char *path, const std::vector<uint32_t> &expected, const char *what)
{
    // netpbm, grim and qemu write no comments in the header.
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int capturedWidth = 0, capturedHeight = 0, maxValue = 0;
    if (!(in >> magic >> capturedWidth >> capturedHeight >> maxValue) || magic != "P6" || maxValue != 255) {
        std::printf("%s: not an 8-bit binary PPM\n", path);
        return 2;
    }
    if (capturedWidth != width || capturedHeight != height) {
        std::printf("the capture is %dx%d, the %s %dx%d\n", capturedWidth, capturedHeight, what, width, height);
        return 1;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<unsigned char> rgb(count * 3);
    in.get(); // the one whitespace before the pixels
    if (!in.read(reinterpret_cast<char *>(rgb.data()), static_cast<std::streamsize>(rgb.size()))) {
        std::printf("%s: cut short\n", path);
        return 2;
    }
    size_t differing = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t got = rgb[3 * i] | rgb[3 * i + 1] << 8 | rgb[3 * i + 2] << 16; // 0x00BBGGRR, as drawn
        if (got != expected[i] && ++differing <= 10) {
            std::printf("  [%zu] x %zu y %zu: expected 0x%06X, got 0x%06X\n", i, i % width, i / width, expected[i],
                        got);
        }
    }
    std::printf("%zu of %zu pixels differ from the %s at %dx%d\n", differing, count, what, width, height);
    return differing > 0;
}

int CheckCursor()
{
    Display *display = XOpenDisplay(nullptr);
    XFixesCursorImage *image = display ? XFixesGetCursorImage(display) : nullptr;
    if (!image) {
        std::printf("no cursor image from the X display\n");
        return 2;
    }
    const auto visible = std::count_if(image->pixels, image->pixels + image->width * image->height,
                                       [](unsigned long pixel) { return pixel >> 24 != 0; }); // any alpha shows
    std::printf("cursor %dx%d, %td visible pixels\n", image->width, image->height, visible);
    return visible > 0;
}

int ClickPointer()
{
    void *manager = nullptr;
    const wl_registry_listener listener{
        [](void *found, wl_registry *registry, uint32_t name, const char *interface, uint32_t) {
            if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
                *static_cast<void **>(found) =
                    wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
            }
        },
        [](void *, wl_registry *, uint32_t) {}};
    wl_display *display = wl_display_connect(nullptr);
    if (display) {
        wl_registry_add_listener(wl_display_get_registry(display), &listener, &manager);
        wl_display_roundtrip(display);
    }
    if (!manager) {
        std::printf("no Wayland display with virtual pointers\n");
        return 2;
    }
    // On the default seat, before the program starts, so that it finds a pointer there from the first.
    zwlr_virtual_pointer_v1 *pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(
        static_cast<zwlr_virtual_pointer_manager_v1 *>(manager), nullptr);
    unsigned x, y, xExtent, yExtent;
    uint32_t time = 0;
    while (wl_display_roundtrip(display) >= 0 && std::scanf("%u %u %u %u", &x, &y, &xExtent, &yExtent) == 4) {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, ++time, x, y, xExtent, yExtent);
        zwlr_virtual_pointer_v1_frame(pointer);
        for (uint32_t state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
            zwlr_virtual_pointer_v1_button(pointer, ++time, BTN_LEFT, state);
            zwlr_virtual_pointer_v1_frame(pointer);
        }
    }
    return std::feof(stdin) ? 0 : 2;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if ((mode == "compare" && argc == 5) || (mode == "compare-dialog" && argc == 6)) {
        const int width = std::stoi(argv[2]), height = std::stoi(argv[3]);
        std::vector<uint32_t> expected(static_cast<size_t>(width) * static_cast<size_t>(height));
        if (mode == "compare") {
            RenderPatternBand(width, height, 0, height, expected.data());
            return CompareCapture(width, height, argv[4], expected, "pattern");
        }
        DrawDialogBand(LayoutDialog(width, height, argv[4]), argv[4], width, height, 0, height, expected.data());
        return CompareCapture(width, height, argv[5], expected, "dialog");
    }
    if (mode == "exit" && argc == 4) {
        // Laid out for a line of one row: the tests' lines fit one, and the
        // buttons move down with each row more.
        const int width = std::stoi(argv[2]), height = std::stoi(argv[3]);
        const PixelRect exit = LayoutDialog(width, height, "").exit;
        std::printf("%d %d %d %d\n", exit.x + exit.width / 2, exit.y + exit.height / 2, width, height);
        return 0;
    }
    if ((mode == "cursor" || mode == "pointer") && argc == 2) {
        return mode == "cursor" ? CheckCursor() : ClickPointer();
    }
    std::fprintf(stderr, "usage: view-probe compare WIDTH HEIGHT FILE.ppm | compare-dialog WIDTH HEIGHT LINE FILE.ppm |"
                         " cursor | pointer | exit WIDTH HEIGHT\n");
    return 2;
}

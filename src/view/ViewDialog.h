// The viewer's pause dialog, drawn by the viewer itself into the frame it
// shows: the icon, the title, the credit, the technician's line, and OK and
// Exit. Everything is in device pixels, at a whole-number scale of the font.
#pragma once

#include <stdint.h>

#include <string>

struct PixelRect {
    int x, y, width, height;

    bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

struct DialogLayout {
    int scale; // device pixels per font pixel
    PixelRect box, icon, ok, exit;
    int titleTop, creditTop, technicianTop;
};

// The dialog centred on a width x height frame, at the largest scale the
// frame's size suggests (1 up to 640 x 480, 4 at 3840 x 2160) and the text
// allows. On a frame too small even at scale 1 it is cut at the edges.
DialogLayout LayoutDialog(int width, int height, const std::string &technicianLine);

// Draws the dialog on a black frame of width x height pixels, 0x00BBGGRR.
void DrawDialog(const DialogLayout &layout, const std::string &technicianLine, uint32_t *pixels, int width,
                int height);

enum class DialogButton { None, Ok, Exit };

DialogButton ButtonAt(const DialogLayout &layout, int x, int y);

// A mouse position in the window's logical units as a device pixel; they
// differ under a scaled Wayland output.
struct DevicePoint {
    int x, y;
};
DevicePoint ToDevicePixel(int logicalX, int logicalY, int logicalWidth, int logicalHeight, int deviceWidth,
                          int deviceHeight);

// As the Windows program's dialog has them.
inline constexpr char DialogTitle[] = "Quorvane Pattern";
inline constexpr char DialogCredit[] = "The Quorvane developers, 2026";

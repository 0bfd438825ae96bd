// The pause dialog drawn in pixels, for the front ends that have no dialogs
// of their own to show it with: the icon, the title, the credit, the
// technician's line, and OK and Exit. Everything is in device pixels, at a
// whole-number scale of the font.
#pragma once

#include <stdint.h>

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
DialogLayout LayoutDialog(int width, int height, const char *technicianLine);

// Draws the dialog on a black frame of width x height pixels, 0x00BBGGRR.
void DrawDialog(const DialogLayout &layout, const char *technicianLine, uint32_t *pixels, int width,
                int height);

enum class DialogButton { None, Ok, Exit };

DialogButton ButtonAt(const DialogLayout &layout, int x, int y);

// As the Windows program's dialog has them.
inline constexpr char DialogTitle[] = "Quorvane Pattern";
inline constexpr char DialogCredit[] = "The Quorvane developers, 2026";

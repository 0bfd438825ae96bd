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

// One line of the dialog taken from the technician's line: length
// characters from start.
struct TextSpan {
    int start, length;
};
inline constexpr int MaxTechnicianRows = 8;

struct DialogLayout {
    int scale; // device pixels per font pixel
    PixelRect box, icon, ok, exit;
    int titleTop, creditTop, technicianTop;
    TextSpan technician[MaxTechnicianRows]; // the technician's line, wrapped to the box
    int technicianRows;
};

// The dialog centred on a width x height frame, at the largest scale the
// frame's size suggests (1 up to 640 x 480, 4 at 3840 x 2160) and the text
// allows. Where the technician's line is wider than the frame it is wrapped
// at its spaces. On a frame too small even so, the dialog is cut at the
// edges, but OK and Exit are moved and narrowed to stay on it.
DialogLayout LayoutDialog(int width, int height, const char *technicianLine);

// Draws the rows firstRow .. firstRow + rowCount - 1 of the dialog on its
// black frame into rows, width pixels each, 0x00BBGGRR. Nothing outside the
// frame and the band is written.
void DrawDialogBand(const DialogLayout &layout, const char *technicianLine, int width, int height, int firstRow,
                    int rowCount, uint32_t *rows);

enum class DialogButton { None, Ok, Exit };

DialogButton ButtonAt(const DialogLayout &layout, int x, int y);

// As the Windows program's dialog has them.
inline constexpr char DialogTitle[] = "Quorvane Pattern";
inline constexpr char DialogCredit[] = "The Quorvane developers, 2026";

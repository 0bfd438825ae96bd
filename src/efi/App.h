// quorvane.efi's application, apart from its entry: the firmware made
// ready and put back, and the one event loop with its one redraw. The
// benchmark builds run the same pieces from an entry of their own.
#pragma once

#include "drawndialog/DrawnDialog.h"
#include "efi/Screen.h"

#include <efi.h>

struct App {
    EFI_SYSTEM_TABLE *system;
    Screen screen;
    EFI_SIMPLE_POINTER_PROTOCOL *mouse;     // from the console's input, where
    EFI_ABSOLUTE_POINTER_PROTOCOL *touch;   // the firmware has either
    bool buttonDown;
    bool paused;
    DialogLayout dialog;
    DialogButton pressed; // on the dialog, acting when released over it
    char line[256];
    const char *trouble; // why a frame could not be put on the screen, told at the end
    BOOLEAN cursorShown; // the text console's, as the firmware had it
};

// Text on a console, which takes UCS-2.
void Say(EFI_SIMPLE_TEXT_OUT_PROTOCOL *console, const char *text);
void WaitForKey(EFI_SYSTEM_TABLE *system);

// The display that drives the console, in its first mode.
bool Start(App &app);
// A band of the pattern, as DrawFrame paints it.
void PaintPattern(const void *, int width, int height, int firstRow, int rowCount, uint32_t *rows);

bool Open(App &app, EFI_SYSTEM_TABLE *system);
EFI_STATUS Run(App &app);
void Close(App &app);

// The pause dialog a click on the pattern opens: "OK" brings the pattern
// back, "Exit" ends the program.
#pragma once

#include <windows.h>

// Collapses the pattern window and runs the dialog; returns when it ends.
void PausePattern(HWND hwnd);

INT_PTR CALLBACK PauseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

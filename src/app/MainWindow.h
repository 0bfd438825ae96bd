// The full-screen pattern window.
#pragma once

#include <windows.h>

// The program's instance, stored when the pattern window is created.
extern HINSTANCE AppInstance;

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

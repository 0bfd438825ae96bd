// The recording test double of the platform calls the program makes. It
// records each call with its arguments, keeps the state the program depends
// on (GDI objects and selections, windows, the message queue, modal dialogs,
// the cursor's display counter, the screen size) and notes every breach of
// the platform's rules as a fault, which the tests' fixture turns into a
// failure.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace win32double {

struct RecordedCall {
    std::string text; // "SelectObject(hdc1, pen1) -> WHITE_PEN"
    std::string pen;  // the pen and brush selected in the call's DC, if it has one
    std::string brush;
};

struct WindowState {
    std::string className;
    std::string title;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
    HWND owner;
    bool enabled;
    bool destroyed;
    bool needsPaint;
};

// A new platform: no classes, windows or objects, an empty queue, cursor
// counter 0, a 1024 x 768 screen.
void Reset();
void SetScreenSize(int width, int height);
// Makes CreateWindowExA fail from now on, as when the platform is out of
// resources.
void FailWindowCreation();
// Makes the n-th CreatePen from now on fail (n = 1 for the next one).
void FailPenCreation(int n);

// A window of its own for painting tests, with no procedure.
HWND CreatePaintTarget(int width, int height);

const std::vector<RecordedCall> &Recorded();
std::vector<std::string> CallTexts();
void ClearCalls();
const std::vector<std::string> &Faults();

// Pens and brushes created and not yet deleted.
int LiveObjectCount();
int CursorDisplayCount();

// Input as the user would give it, taken by GetMessageA in order. A message
// for the dialog goes to whichever dialog is up when it is taken.
void PostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostToDialog(UINT message, WPARAM wParam, LPARAM lParam);
// Called when GetMessageA finds the queue empty; it may post more input,
// change the screen or end the program's loop by posting nothing.
void OnIdle(void (*idle)());

const WNDCLASSEXA *RegisteredClass(const std::string &name);
const WindowState *Window(HWND hwnd);
HWND TopLevelWindow(const std::string &className);
HWND ActiveDialog();
std::string Name(const void *handle);

} // namespace win32double

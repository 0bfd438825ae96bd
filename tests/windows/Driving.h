// Driving the real program under Wine: starting it, finding its windows,
// giving it input as a user would, and capturing what the screen shows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The program under test, as a Windows path; set by main from its argument.
extern std::string ProgramPath;

class RunningProgram {
public:
    // Starts the program with these arguments in this folder (the driver's
    // own when empty) and waits until its pattern window is there.
    explicit RunningProgram(const std::string &arguments = "", const std::string &folder = "");
    ~RunningProgram(); // ends the program if it is still running

    HWND Pattern() const { return pattern_; }
    DWORD Id() const { return process_.dwProcessId; }
    // True once the program has ended within the time, with its exit code.
    bool WaitForExit(DWORD *exitCode, int milliseconds = 10000);

private:
    PROCESS_INFORMATION process_{};
    HWND pattern_ = NULL;
};

bool WaitUntil(const std::function<bool()> &condition, int milliseconds = 5000);

// The program's visible top-level windows of a class ("#32770" for dialogs).
std::vector<HWND> WindowsOf(DWORD process, const char *className);
std::string ClassOf(HWND hwnd);
std::string TextOf(HWND hwnd);
RECT WindowRect(HWND hwnd);
RECT ScreenRect();

// Waits until the thread of this window has handled all the input given so
// far: a window is repainted only once its thread has no input left to
// handle, so an invalidated window turning valid again says so.
bool InputHandled(HWND hwnd);

// The keyboard focus in the thread of this window, which may be another
// process's: GetFocus answers only for the caller's own thread.
HWND FocusOf(HWND hwnd);

void Click(int x, int y, bool right = false);
void PressKey(WORD virtualKey);

// The screen as COLORREF values, top row first.
std::vector<uint32_t> CaptureScreen();
// The pattern for the screen's size, as the rasteriser draws it.
std::vector<uint32_t> ExpectedScreen();
// How many pixels of the screen differ from the pattern, waiting a little
// for the program to paint; 0 when they all agree.
size_t PixelsDifferingFromPattern(int milliseconds = 3000);

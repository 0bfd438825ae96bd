#include "Driving.h"

#include "Capture.h"

#include "raster/RenderPattern.h"

std::string ProgramPath;

RunningProgram::RunningProgram(const std::string &arguments, const std::string &folder)
{
    std::string commandLine = "\"" + ProgramPath + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, folder.empty() ? NULL : folder.c_str(),
                        &startup, &process_)) {
        return;
    }
    WaitUntil([&] {
        const std::vector<HWND> windows = WindowsOf(process_.dwProcessId, "Vantrell");
        pattern_ = windows.empty() ? NULL : windows[0];
        return pattern_ != NULL;
    });
}

RunningProgram::~RunningProgram()
{
    if (!process_.hProcess) {
        return;
    }
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool RunningProgram::WaitForExit(DWORD *exitCode, int milliseconds)
{
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, milliseconds) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(process_.hProcess, exitCode) != 0;
}

bool WaitUntil(const std::function<bool()> &condition, int milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start > static_cast<DWORD>(milliseconds)) {
            return false;
        }
        Sleep(10);
    }
}

bool InputHandled(HWND hwnd)
{
    InvalidateRect(hwnd, NULL, FALSE);
    return WaitUntil([&] {
        RECT update;
        return !GetUpdateRect(hwnd, &update, FALSE);
    });
}

HWND FocusOf(HWND hwnd)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, NULL), &info);
    return info.hwndFocus;
}

namespace {

struct Search {
    DWORD process;
    const char *className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam)
{
    Search *search = reinterpret_cast<Search *>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process == search->process && IsWindowVisible(hwnd) && ClassOf(hwnd) == search->className) {
        search->found.push_back(hwnd);
    }
    return TRUE;
}

} // namespace

std::vector<HWND> WindowsOf(DWORD process, const char *className)
{
    Search search{process, className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ClassOf(HWND hwnd)
{
    char name[256] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND hwnd)
{
    char text[256] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

RECT WindowRect(HWND hwnd)
{
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return rect;
}

RECT ScreenRect() { return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

void Click(int x, int y, bool right)
{
    INPUT input[3] = {};
    for (INPUT &event : input) {
        event.type = INPUT_MOUSE;
        event.mi.dx = MulDiv(x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
        event.mi.dy = MulDiv(y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    }
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | (right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    input[2].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | (right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    SendInput(3, input, sizeof(INPUT));
}

void PressKey(WORD virtualKey)
{
    INPUT input[2] = {};
    for (INPUT &event : input) {
        event.type = INPUT_KEYBOARD;
        event.ki.wVk = virtualKey;
    }
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

std::vector<uint32_t> CaptureScreen()
{
    const RECT screen = ScreenRect();
    HDC screenDc = GetDC(NULL);
    std::vector<uint32_t> pixels = CapturePixels(screenDc, screen.right, screen.bottom);
    ReleaseDC(NULL, screenDc);
    return pixels;
}

std::vector<uint32_t> ExpectedScreen()
{
    const RECT screen = ScreenRect();
    std::vector<uint32_t> pixels(static_cast<size_t>(screen.right) * screen.bottom);
    RenderPatternBand(screen.right, screen.bottom, 0, screen.bottom, pixels.data());
    return pixels;
}

size_t PixelsDifferingFromPattern(int milliseconds)
{
    static std::vector<uint32_t> expected;
    static RECT expectedFor = {};
    const RECT screen = ScreenRect();
    if (expected.empty() || !EqualRect(&screen, &expectedFor)) {
        expected = ExpectedScreen();
        expectedFor = screen;
    }
    size_t differing = 0;
    WaitUntil(
        [&] {
            const std::vector<uint32_t> shown = CaptureScreen();
            differing = 0;
            for (size_t i = 0; i < shown.size(); ++i) {
                differing += shown[i] != expected[i];
            }
            return differing == 0;
        },
        milliseconds);
    return differing;
}

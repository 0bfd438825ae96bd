// The program's entry: one borderless window covering the screen, showing
// the test pattern until the pause dialog's "Exit".

#include "app/MainWindow.h"
#include "dialog/PauseDialog.h"
#include "pattern/PaintPattern.h"

#include "Resource.h"

HINSTANCE AppInstance;

namespace {

const char PatternClassName[] = "Vantrell";

} // namespace

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        AppInstance = reinterpret_cast<const CREATESTRUCTA *>(lParam)->hInstance;
        ShowCursor(FALSE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        PaintPattern(hwnd);
        return 0;
    case WM_LBUTTONDOWN:
        PausePattern(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showState)
{
    WNDCLASSEXA windowClass;
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, PATTERN_RESOURCE);
    windowClass.hCursor = NULL;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = NULL;
    windowClass.lpszClassName = PatternClassName;
    windowClass.hIconSm = LoadIconA(instance, PATTERN_RESOURCE);
    RegisterClassExA(&windowClass);

    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HWND hwnd = CreateWindowExA(0, PatternClassName, "Quorvane", WS_POPUP | WS_VISIBLE, 0, 0, width, height, NULL,
                                NULL, instance, NULL);
    // Without a window no quit message can ever come: waiting for one would
    // leave an invisible process behind.
    if (!hwnd) {
        return 1;
    }
    ShowWindow(hwnd, showState);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

#include "ProgramTesting.h"

namespace {

using win32double::CallTexts;

class MainWindowTest : public ProgramTest {};

TEST_F(MainWindowTest, StartsCoveringTheScreenAndPaintsAtOnce)
{
    win32double::SetScreenSize(1280, 1024);
    win32double::OnIdle([] { PostQuitMessage(0); });
    EXPECT_EQ(WinMain(TestInstance(), NULL, const_cast<char *>(""), SW_SHOWNORMAL), 0);
    EXPECT_TRUE(SameSequence(WithPaintsFolded(CallTexts()), {
        "LoadIconA(0x400000, \"Vantrell\") -> icon1",
        "GetStockObject(4) -> BLACK_BRUSH",
        "LoadIconA(0x400000, \"Vantrell\") -> icon2",
        "RegisterClassExA(\"Vantrell\") -> 1",
        "GetSystemMetrics(SM_CXSCREEN) -> 1280",
        "GetSystemMetrics(SM_CYSCREEN) -> 1024",
        "CreateWindowExA(0x0, \"Vantrell\", \"Quorvane\", 0x90000000, 0, 0, 1280, 1024, NULL, NULL, 0x400000, NULL) -> hwnd1",
        "hwnd1 <- WM_CREATE(0, &create)",
        "ShowCursor(FALSE) -> -1",
        "ShowWindow(hwnd1, 1)",
        "UpdateWindow(hwnd1)",
        "hwnd1 <- WM_PAINT(0, 0x0)",
        "paint {0, 0, 1280, 1024}",
        "GetMessageA(NULL, 0, 0) -> WM_QUIT",
        "PostQuitMessage(0)", // posted by the test once the queue ran dry
    }));
    EXPECT_EQ(AppInstance, TestInstance()) << "stored from the creation record";
    EXPECT_EQ(win32double::CursorDisplayCount(), -1) << "hidden over the pattern";
}

TEST_F(MainWindowTest, RegistersTheClassFieldByField)
{
    win32double::OnIdle([] { PostQuitMessage(0); });
    WinMain(TestInstance(), NULL, const_cast<char *>(""), SW_SHOWDEFAULT);
    const WNDCLASSEXA *windowClass = win32double::RegisteredClass("Vantrell");
    ASSERT_TRUE(windowClass);
    EXPECT_EQ(windowClass->cbSize, sizeof(WNDCLASSEXA));
    EXPECT_EQ(windowClass->style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(windowClass->lpfnWndProc, MainWindowProc);
    EXPECT_EQ(windowClass->cbClsExtra, 0);
    EXPECT_EQ(windowClass->cbWndExtra, 0);
    EXPECT_EQ(windowClass->hInstance, TestInstance());
    EXPECT_EQ(win32double::Name(windowClass->hIcon), "icon1");
    EXPECT_EQ(windowClass->hCursor, nullptr);
    EXPECT_EQ(win32double::Name(windowClass->hbrBackground), "BLACK_BRUSH");
    EXPECT_EQ(windowClass->lpszMenuName, nullptr);
    EXPECT_STREQ(windowClass->lpszClassName, "Vantrell");
    EXPECT_EQ(win32double::Name(windowClass->hIconSm), "icon2");
}

TEST_F(MainWindowTest, HandledMessagesActAndReturnZero)
{
    struct Row {
        UINT message;
        WPARAM wParam;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {WM_DESTROY, 0, {"PostQuitMessage(0)"}},
        {WM_PAINT, 0, {"paint {0, 0, 1024, 768}"}},
        {WM_LBUTTONDOWN, 1,
         {"MoveWindow(hwnd1, 0, 0, 0, 0, TRUE)", "DialogBoxParamA(0x400000, \"Vantrell\", hwnd1, proc, 0) -> 0",
          "hwnd2 <- WM_INITDIALOG(0, 0x0)", "LoadCursorA(NULL, #32512) -> IDC_ARROW", "SetCursor(IDC_ARROW)",
          "ShowCursor(TRUE) -> 0", "hwnd2 <- WM_COMMAND(2, 0x0)", "EndDialog(hwnd2, 0)", "GetParent(hwnd2) -> hwnd1",
          "SendMessageA(hwnd1, WM_DESTROY, 0, 0x0)", "hwnd1 <- WM_DESTROY(0, 0x0)", "PostQuitMessage(0)"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.message);
        win32double::Reset();
        HWND hwnd = CreatePatternWindow();
        win32double::PostToDialog(WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(MainWindowProc(hwnd, row.message, row.wParam, 0), 0);
        EXPECT_TRUE(SameSequence(WithPaintsFolded(CallTexts()), row.calls));
    }

    win32double::Reset();
    HWND hwnd = CreatePatternWindow();
    CREATESTRUCTA create = {};
    create.hInstance = reinterpret_cast<HINSTANCE>(0x1230000);
    EXPECT_EQ(MainWindowProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)), 0);
    EXPECT_EQ(AppInstance, create.hInstance);
    EXPECT_TRUE(SameSequence(CallTexts(), {"ShowCursor(FALSE) -> -2"}));
}

TEST_F(MainWindowTest, OtherMessagesGetTheDefaultHandlingAndItsResult)
{
    struct Row {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        const char *call;
    };
    const Row rows[] = {
        {WM_RBUTTONDOWN, 2, 0x00050007, "DefWindowProcA(hwnd1, WM_RBUTTONDOWN, 2, 0x50007) -> 0x5204"},
        {WM_RBUTTONUP, 0, 0x00050007, "DefWindowProcA(hwnd1, WM_RBUTTONUP, 0, 0x50007) -> 0x5205"},
        {WM_LBUTTONUP, 0, 0x00010001, "DefWindowProcA(hwnd1, WM_LBUTTONUP, 0, 0x10001) -> 0x5202"},
        {WM_KEYDOWN, 0x1B, 0x00010001, "DefWindowProcA(hwnd1, WM_KEYDOWN, 27, 0x10001) -> 0x5100"},
        {WM_CHAR, 'q', 0x00100001, "DefWindowProcA(hwnd1, WM_CHAR, 113, 0x100001) -> 0x5102"},
        {WM_MOUSEMOVE, 0, 0x00200020, "DefWindowProcA(hwnd1, WM_MOUSEMOVE, 0, 0x200020) -> 0x5200"},
        {WM_CLOSE, 0, 0, "DefWindowProcA(hwnd1, WM_CLOSE, 0, 0x0) -> 0x5010"},
        {WM_SIZE, 0, 0x03000400, "DefWindowProcA(hwnd1, WM_SIZE, 0, 0x3000400) -> 0x5005"},
        {0x8123, 77, -1, "DefWindowProcA(hwnd1, 0x8123, 77, 0xFFFFFFFFFFFFFFFF) -> 0xD123"},
    };
    HWND hwnd = CreatePatternWindow();
    for (const Row &row : rows) {
        win32double::ClearCalls();
        EXPECT_EQ(MainWindowProc(hwnd, row.message, row.wParam, row.lParam), 0x5000 + static_cast<LRESULT>(row.message));
        EXPECT_TRUE(SameSequence(CallTexts(), {row.call}));
    }
}

TEST_F(MainWindowTest, EndsAtOnceWhenTheWindowCannotBeCreated)
{
    win32double::FailWindowCreation();
    EXPECT_NE(WinMain(TestInstance(), NULL, const_cast<char *>(""), SW_SHOWDEFAULT), 0);
    const std::vector<std::string> calls = CallTexts();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string &call) { return call.rfind("GetMessageA", 0) == 0; }), 0)
        << "no loop waiting for a quit message that cannot come";
}

} // namespace

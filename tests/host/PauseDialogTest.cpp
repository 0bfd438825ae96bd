#include "ProgramTesting.h"

#include "dialog/PauseDialog.h"

namespace {

using win32double::CallTexts;

class PauseDialogTest : public ProgramTest {};

// What a click on the pattern does before the user answers the dialog.
std::vector<std::string> PauseOpensThen(std::vector<std::string> answer)
{
    std::vector<std::string> calls = {
        "MoveWindow(hwnd1, 0, 0, 0, 0, TRUE)",
        "DialogBoxParamA(0x400000, \"Vantrell\", hwnd1, proc, 0) -> 0",
        "hwnd2 <- WM_INITDIALOG(0, 0x0)",
        "LoadCursorA(NULL, #32512) -> IDC_ARROW",
        "SetCursor(IDC_ARROW)",
        "ShowCursor(TRUE) -> 0",
    };
    calls.insert(calls.end(), answer.begin(), answer.end());
    return calls;
}

TEST_F(PauseDialogTest, ClickCollapsesThePatternAndOkRestoresItFullScreen)
{
    HWND hwnd = CreatePatternWindow();
    win32double::PostToDialog(WM_COMMAND, IDOK, 0);
    MainWindowProc(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0x00640064);
    EXPECT_TRUE(SameSequence(CallTexts(), PauseOpensThen({
        "hwnd2 <- WM_COMMAND(1, 0x0)",
        "ShowCursor(FALSE) -> -1",
        "EndDialog(hwnd2, 0)",
        "GetSystemMetrics(SM_CYSCREEN) -> 768",
        "GetSystemMetrics(SM_CXSCREEN) -> 1024",
        "GetParent(hwnd2) -> hwnd1",
        "MoveWindow(hwnd1, 0, 0, 1024, 768, TRUE)",
    })));
    const win32double::WindowState *window = win32double::Window(hwnd);
    EXPECT_EQ(window->width, 1024);
    EXPECT_EQ(window->height, 768);
    EXPECT_TRUE(window->needsPaint) << "the size change repaints the pattern";
}

TEST_F(PauseDialogTest, ExitEndsTheDialogAndSendsDestroyToThePattern)
{
    HWND hwnd = CreatePatternWindow();
    win32double::PostToDialog(WM_COMMAND, IDCANCEL, 0);
    MainWindowProc(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_TRUE(SameSequence(CallTexts(), PauseOpensThen({
        "hwnd2 <- WM_COMMAND(2, 0x0)",
        "EndDialog(hwnd2, 0)",
        "GetParent(hwnd2) -> hwnd1",
        "SendMessageA(hwnd1, WM_DESTROY, 0, 0x0)",
        "hwnd1 <- WM_DESTROY(0, 0x0)",
        "PostQuitMessage(0)",
    })));
}

TEST_F(PauseDialogTest, AnswersTrueOnlyForWhatItHandles)
{
    HWND hwnd = CreatePatternWindow();
    struct Row {
        UINT message;
        WPARAM wParam;
        INT_PTR result;
    };
    // Run inside a real dialog, where EndDialog is allowed.
    static const Row rows[] = {
        {WM_INITDIALOG, 0, TRUE},     {WM_COMMAND, 3, FALSE},     {WM_COMMAND, 0xFFFF, FALSE},
        {WM_COMMAND, 0x10003, FALSE}, {WM_PAINT, 0, FALSE},       {WM_CLOSE, 0, FALSE},
        {WM_KEYDOWN, 0x0D, FALSE},    {WM_LBUTTONDOWN, 0, FALSE}, {WM_COMMAND, 0x10000 | IDOK, TRUE},
    };
    static std::vector<INT_PTR> results;
    results.clear();
    win32double::OnIdle([] {
        for (const Row &row : rows) {
            results.push_back(PauseDialogProc(win32double::ActiveDialog(), row.message, row.wParam, 0));
        }
    });
    MainWindowProc(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    ASSERT_EQ(results.size(), std::size(rows));
    for (size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i], rows[i].result) << "row " << i;
    }
}

TEST_F(PauseDialogTest, RestoresAtTheScreenSizeOfTheMomentOkIsPressed)
{
    HWND hwnd = CreatePatternWindow();
    win32double::OnIdle([] {
        win32double::SetScreenSize(1600, 1200);
        win32double::PostToDialog(WM_COMMAND, IDOK, 0);
    });
    MainWindowProc(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    win32double::ClearCalls();
    MainWindowProc(hwnd, WM_PAINT, 0, 0);
    EXPECT_TRUE(SameSequence(WithPaintsFolded(CallTexts()), {"paint {0, 0, 1600, 1200}"}));
}

TEST_F(PauseDialogTest, ASecondClickCannotReachThePatternWhileTheDialogIsUp)
{
    HWND hwnd = CreatePatternWindow();
    win32double::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    win32double::PostToDialog(WM_COMMAND, IDOK, 0);
    MainWindowProc(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    const std::vector<std::string> calls = CallTexts();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "input WM_LBUTTONDOWN to hwnd1 dropped"), 1);
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string &call) { return call.rfind("DialogBoxParamA", 0) == 0; }),
              1);
}

// A whole run: a thousand pauses with "OK", then a pause with "Exit".
int cycles;

void PauseAndReturn()
{
    HWND hwnd = win32double::TopLevelWindow("Vantrell");
    EXPECT_EQ(win32double::CursorDisplayCount(), -1) << "hidden while the pattern shows, cycle " << cycles;
    win32double::ClearCalls();
    win32double::PostInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    win32double::PostToDialog(WM_COMMAND, ++cycles <= 1000 ? IDOK : IDCANCEL, 0);
    win32double::OnIdle(PauseAndReturn);
}

TEST_F(PauseDialogTest, AThousandPausesLeaveTheCursorHiddenAndExitEndsWithZero)
{
    cycles = 0;
    win32double::SetScreenSize(64, 48);
    win32double::OnIdle(PauseAndReturn);
    EXPECT_EQ(WinMain(TestInstance(), NULL, const_cast<char *>(""), SW_SHOWDEFAULT), 0);
    EXPECT_EQ(cycles, 1001);
    EXPECT_EQ(win32double::CursorDisplayCount(), 0) << "shown by the last dialog, not hidden again by Exit";
    const std::vector<std::string> calls = CallTexts();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "GetMessageA(NULL, 0, 0) -> WM_QUIT");
}

} // namespace

// The real quorvane.exe under Wine, driven as a user would drive it.
//
//   end_to_end_test.exe PATH-TO-quorvane.exe [gtest options]

#include "Driving.h"

#include "ProgramUnderTest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

testing::AssertionResult CoversTheScreen(HWND hwnd)
{
    const RECT screen = ScreenRect();
    const RECT window = WindowRect(hwnd);
    RECT client = {};
    GetClientRect(hwnd, &client);
    if (!EqualRect(&window, &screen) || !EqualRect(&client, &screen)) {
        return testing::AssertionFailure() << "window " << window.left << "," << window.top << "-" << window.right
                                           << "," << window.bottom << ", client " << client.right << "x"
                                           << client.bottom << ", screen " << screen.right << "x" << screen.bottom;
    }
    return testing::AssertionSuccess();
}

TEST(PatternWindow, IsOneBorderlessWindowCoveringTheScreen)
{
    RunningProgram program;
    ASSERT_TRUE(program.Pattern()) << "no pattern window appeared";
    EXPECT_EQ(WindowsOf(program.Id(), "Vantrell").size(), 1u);
    EXPECT_EQ(TextOf(program.Pattern()), "Quorvane");
    const LONG style = GetWindowLongA(program.Pattern(), GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_VISIBLE), WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_HSCROLL | WS_VSCROLL | WS_BORDER), 0);
    EXPECT_EQ(GetWindowLongA(program.Pattern(), GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE), 0);
    EXPECT_TRUE(CoversTheScreen(program.Pattern()));
}

TEST(PatternWindow, ShowsExactlyThePatternForTheScreenSize)
{
    RunningProgram program;
    ASSERT_TRUE(program.Pattern());
    EXPECT_EQ(PixelsDifferingFromPattern(), 0u);
}

TEST(PatternWindow, RightClicksAndKeysChangeNothing)
{
    RunningProgram program;
    ASSERT_TRUE(program.Pattern());
    ASSERT_EQ(PixelsDifferingFromPattern(), 0u);
    Click(100, 100, true);
    Click(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, true);
    for (WORD key : {WORD('A'), WORD(VK_SPACE), WORD(VK_RETURN), WORD(VK_ESCAPE), WORD(VK_F1), WORD(VK_DOWN),
                     WORD(VK_TAB)}) {
        PressKey(key);
    }
    ASSERT_TRUE(InputHandled(program.Pattern()));
    EXPECT_TRUE(WindowsOf(program.Id(), "#32770").empty()) << "a dialog opened";
    EXPECT_TRUE(CoversTheScreen(program.Pattern()));
    EXPECT_EQ(PixelsDifferingFromPattern(), 0u);
    DWORD exitCode = 0;
    EXPECT_FALSE(program.WaitForExit(&exitCode, 0)) << "the program ended";
}

TEST(PatternWindow, IgnoresAGarbageCommandLine)
{
    RunningProgram program("--help /? -o out.png \"quoted words\" %TEMP% 0x0 \xE9\xE8 ;rm -rf x");
    ASSERT_TRUE(program.Pattern());
    EXPECT_TRUE(CoversTheScreen(program.Pattern()));
    EXPECT_EQ(PixelsDifferingFromPattern(), 0u);
}

TEST(PatternWindow, WritesNoFile)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "quorvane-no-files-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
    {
        RunningProgram program("", folder);
        ASSERT_TRUE(program.Pattern());
        Click(50, 50);
        ASSERT_TRUE(WaitUntil([&] { return !WindowsOf(program.Id(), "#32770").empty(); }));
        PressKey(VK_ESCAPE);
        DWORD exitCode = 1;
        ASSERT_TRUE(program.WaitForExit(&exitCode));
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    std::vector<std::string> names;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, "..")) {
                names.push_back(found.cFileName);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(names, std::vector<std::string>{});
    RemoveDirectoryA(folder.c_str());
}

// The pause dialog that a left click opens.
class PauseDialog : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(program_.Pattern()) << "no pattern window appeared"; }

    // Clicks the pattern and waits for the dialog.
    HWND Pause()
    {
        Click(GetSystemMetrics(SM_CXSCREEN) / 4, GetSystemMetrics(SM_CYSCREEN) / 4);
        HWND dialog = NULL;
        WaitUntil([&] {
            const std::vector<HWND> dialogs = WindowsOf(program_.Id(), "#32770");
            dialog = dialogs.empty() ? NULL : dialogs[0];
            return dialog != NULL;
        });
        return dialog;
    }

    bool BackToFullScreen()
    {
        return WaitUntil([&] {
            const RECT window = WindowRect(program_.Pattern());
            const RECT screen = ScreenRect();
            return WindowsOf(program_.Id(), "#32770").empty() && EqualRect(&window, &screen);
        });
    }

    HWND Button(HWND dialog, int id) { return GetDlgItem(dialog, id); }

    void ClickOn(HWND control)
    {
        const RECT rect = WindowRect(control);
        Click((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }

    RunningProgram program_;
};

TEST_F(PauseDialog, ClickCollapsesThePatternAndShowsTheDialogCentred)
{
    HWND dialog = Pause();
    ASSERT_TRUE(dialog) << "no dialog after a left click";
    const RECT pattern = WindowRect(program_.Pattern());
    EXPECT_EQ(pattern.right - pattern.left, 0);
    EXPECT_EQ(pattern.bottom - pattern.top, 0);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), program_.Pattern());

    const RECT box = WindowRect(dialog);
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(abs((box.left + box.right) - (work.left + work.right)), 2) << "centred across";
    EXPECT_LE(abs((box.top + box.bottom) - (work.top + work.bottom)), 2) << "centred down";
    EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & WS_CAPTION, 0) << "no caption, so no close box";

    std::vector<std::string> texts;
    bool hasIcon = false;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        texts.push_back(TextOf(child));
        hasIcon = hasIcon || SendMessageA(child, STM_GETICON, 0, 0) != 0;
    }
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Quorvane Pattern"), texts.end());
    EXPECT_TRUE(hasIcon) << "the icon static shows the program's icon";
    EXPECT_EQ(TextOf(Button(dialog, IDOK)), "OK");
    EXPECT_EQ(TextOf(Button(dialog, IDCANCEL)), "Exit");
    EXPECT_EQ(FocusOf(dialog), Button(dialog, IDOK));
}

TEST_F(PauseDialog, EnterAndOkBringTheSamePatternBack)
{
    ASSERT_TRUE(Pause());
    PressKey(VK_RETURN);
    ASSERT_TRUE(BackToFullScreen()) << "Enter did not bring the pattern back";
    EXPECT_EQ(PixelsDifferingFromPattern(), 0u);

    HWND dialog = Pause();
    ASSERT_TRUE(dialog);
    ClickOn(Button(dialog, IDOK));
    ASSERT_TRUE(BackToFullScreen()) << "OK did not bring the pattern back";
    EXPECT_EQ(PixelsDifferingFromPattern(), 0u);
}

TEST_F(PauseDialog, AHundredPausesLeaveThePatternFullScreenAndResponsive)
{
    for (int cycle = 0; cycle < 100; ++cycle) {
        ASSERT_TRUE(Pause()) << "cycle " << cycle;
        PressKey(VK_RETURN);
        ASSERT_TRUE(BackToFullScreen()) << "cycle " << cycle;
    }
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(program_.Pattern(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result));
    EXPECT_EQ(PixelsDifferingFromPattern(), 0u);
}

TEST_F(PauseDialog, EscapeEndsTheProgramWithZero)
{
    ASSERT_TRUE(Pause());
    PressKey(VK_ESCAPE);
    DWORD exitCode = 1;
    ASSERT_TRUE(program_.WaitForExit(&exitCode)) << "still running after Esc";
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(PauseDialog, ExitEndsTheProgramWithZero)
{
    HWND dialog = Pause();
    ASSERT_TRUE(dialog);
    ClickOn(Button(dialog, IDCANCEL));
    DWORD exitCode = 1;
    ASSERT_TRUE(program_.WaitForExit(&exitCode)) << "still running after Exit";
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(PauseDialog, ASecondClickCannotReachThePattern)
{
    HWND dialog = Pause();
    ASSERT_TRUE(dialog);
    const RECT box = WindowRect(dialog);
    Click(box.left / 2, box.top / 2); // on the desktop where the pattern was
    // Which window is active afterwards tells nothing under Wine: the X server
    // may map the dialog only after the click, and the X focus it then gives
    // the dialog makes it active again, taking the activation from the desktop.
    ASSERT_TRUE(InputHandled(GetDesktopWindow())) << "the desktop did not handle the click";
    EXPECT_EQ(WindowsOf(program_.Id(), "#32770").size(), 1u);
    const RECT pattern = WindowRect(program_.Pattern());
    EXPECT_EQ(pattern.right - pattern.left, 0);
    ClickOn(Button(dialog, IDOK));
    EXPECT_TRUE(BackToFullScreen());
}

} // namespace

int main(int argc, char **argv) { return RunTestsOnProgram(argc, argv, &ProgramPath); }

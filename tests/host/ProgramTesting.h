// Running the program's entry and window procedures against the double.
#pragma once

#include "SequenceDiff.h"
#include "Win32Double.h"

#include "app/MainWindow.h"

#include <gtest/gtest.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState);

inline HINSTANCE TestInstance() { return reinterpret_cast<HINSTANCE>(0x400000); }

class ProgramTest : public testing::Test {
protected:
    void SetUp() override
    {
        win32double::Reset();
        AppInstance = NULL;
    }
    void TearDown() override { EXPECT_TRUE(SameSequence(win32double::Faults(), {})) << "faults seen by the double"; }
};

// The recorded calls with each paint folded into one line, so that sequences
// of window messages stay readable.
inline std::vector<std::string> WithPaintsFolded(const std::vector<std::string> &calls)
{
    std::vector<std::string> folded;
    bool painting = false;
    for (const std::string &call : calls) {
        if (call.rfind("BeginPaint(", 0) == 0) {
            painting = true;
            continue;
        }
        if (painting) {
            if (call.rfind("GetClientRect(", 0) == 0) {
                folded.push_back("paint " + call.substr(call.find("-> ") + 3));
            }
            painting = call.rfind("EndPaint(", 0) != 0;
            continue;
        }
        folded.push_back(call);
    }
    return folded;
}

// Creates the pattern window as the entry does, without running its loop.
inline HWND CreatePatternWindow()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.lpszClassName = "Vantrell";
    RegisterClassExA(&windowClass);
    HWND hwnd = CreateWindowExA(0, "Vantrell", "Quorvane", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768, NULL, NULL,
                                TestInstance(), NULL);
    win32double::ClearCalls();
    return hwnd;
}

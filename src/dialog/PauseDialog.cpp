#include "dialog/PauseDialog.h"

#include "app/MainWindow.h"

#include "Resource.h"

void PausePattern(HWND hwnd)
{
    // Out of the way, so the desktop shows behind the dialog.
    MoveWindow(hwnd, 0, 0, 0, 0, TRUE);
    DialogBoxParamA(AppInstance, PATTERN_RESOURCE, hwnd, PauseDialogProc, 0);
}

INT_PTR CALLBACK PauseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetCursor(LoadCursorA(NULL, IDC_ARROW));
        ShowCursor(TRUE);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            ShowCursor(FALSE);
            EndDialog(dialog, 0);
            // The screen may have changed while paused: read it afresh.
            const int height = GetSystemMetrics(SM_CYSCREEN);
            const int width = GetSystemMetrics(SM_CXSCREEN);
            MoveWindow(GetParent(dialog), 0, 0, width, height, TRUE);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            SendMessageA(GetParent(dialog), WM_DESTROY, 0, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

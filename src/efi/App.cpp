#include "efi/App.h"

#include "drawndialog/DrawnDialog.h"
#include "efi/Freestanding.h"
#include "efi/Text.h"
#include "raster/RenderPattern.h"

namespace {

EFI_GUID GraphicsOutputGuid = EFI_GRAPHICS_OUTPUT_PROTOCOL_GUID;
EFI_GUID TextOutputGuid = EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL_GUID;
EFI_GUID EdidActiveGuid = EFI_EDID_ACTIVE_PROTOCOL_GUID;
EFI_GUID SimplePointerGuid = EFI_SIMPLE_POINTER_PROTOCOL_GUID;
EFI_GUID AbsolutePointerGuid = EFI_ABSOLUTE_POINTER_PROTOCOL_GUID;

enum class Action { None, Pause, Resume, ChangeMode, End };

// The graphics output that drives the console: the device's own handle that
// carries the console's text output too (the console splitter's handle
// carries both but no EDID), else the first.
EFI_HANDLE ConsoleGraphics(EFI_SYSTEM_TABLE *system)
{
    EFI_BOOT_SERVICES *boot = system->BootServices;
    UINTN count = 0;
    EFI_HANDLE *handles = nullptr;
    if (boot->LocateHandleBuffer(ByProtocol, &GraphicsOutputGuid, nullptr, &count, &handles) != EFI_SUCCESS) {
        return nullptr;
    }
    EFI_HANDLE chosen = count > 0 ? handles[0] : nullptr;
    for (UINTN i = 0; i < count; ++i) {
        void *text = nullptr;
        if (handles[i] != system->ConsoleOutHandle &&
            boot->HandleProtocol(handles[i], &TextOutputGuid, &text) == EFI_SUCCESS) {
            chosen = handles[i];
            break;
        }
    }
    boot->FreePool(handles);
    return chosen;
}

void PaintDialog(const void *context, int width, int height, int firstRow, int rowCount, uint32_t *rows)
{
    const App &app = *static_cast<const App *>(context);
    DrawDialogBand(app.dialog, app.line, width, height, firstRow, rowCount, rows);
}

// The pattern or the dialog for the mode shown: DrawFrame's result.
EFI_STATUS Redraw(App &app)
{
    if (!app.paused) {
        return DrawFrame(app.screen, PaintPattern, nullptr);
    }
    DescribeScreen(app.screen, app.line, sizeof app.line);
    // The error console is the serial line on many machines; the dialog
    // covers whatever it shows on the screen.
    if (app.system->StdErr) {
        Say(app.system->StdErr, app.line);
        Say(app.system->StdErr, "\r\n");
    }
    const EFI_GRAPHICS_OUTPUT_MODE_INFORMATION &info = app.screen.info;
    app.dialog = LayoutDialog(static_cast<int>(info.HorizontalResolution), static_cast<int>(info.VerticalResolution),
                              app.line);
    return DrawFrame(app.screen, PaintDialog, &app);
}

Action KeyAction(App &app, const EFI_INPUT_KEY &key)
{
    if (key.ScanCode == SCAN_ESC) {
        return Action::End;
    }
    const bool enter = key.UnicodeChar == CHAR_CARRIAGE_RETURN;
    if (app.paused) {
        return enter ? Action::Resume : Action::None;
    }
    if (enter || key.UnicodeChar == ' ') {
        return Action::Pause;
    }
    const UINT32 mode = ModeForKey(app.screen, key.ScanCode);
    if (mode == NoMode) {
        return Action::None;
    }
    // A mode that cannot be set leaves the last one, and the dialog says so.
    return ShowMode(app.screen, mode) ? Action::ChangeMode : Action::Pause;
}

// A left click pauses; on the dialog, where the pointer says where it is,
// OK or Exit act when the button is released over the one it went down on.
Action PointerAction(App &app, bool absolute)
{
    bool down = false, placed = false;
    int x = 0, y = 0;
    if (absolute) {
        EFI_ABSOLUTE_POINTER_STATE state{};
        if (app.touch->GetState(app.touch, &state) != EFI_SUCCESS) {
            return Action::None;
        }
        const EFI_ABSOLUTE_POINTER_MODE &range = *app.touch->Mode;
        down = (state.ActiveButtons & EFI_ABSP_TouchActive) != 0;
        placed = range.AbsoluteMaxX > range.AbsoluteMinX && range.AbsoluteMaxY > range.AbsoluteMinY;
        if (placed) {
            x = static_cast<int>((state.CurrentX - range.AbsoluteMinX) * app.screen.info.HorizontalResolution /
                                 (range.AbsoluteMaxX - range.AbsoluteMinX + 1));
            y = static_cast<int>((state.CurrentY - range.AbsoluteMinY) * app.screen.info.VerticalResolution /
                                 (range.AbsoluteMaxY - range.AbsoluteMinY + 1));
        }
    } else {
        EFI_SIMPLE_POINTER_STATE state{};
        if (app.mouse->GetState(app.mouse, &state) != EFI_SUCCESS) {
            return Action::None;
        }
        down = state.LeftButton;
    }
    const bool pressed = down && !app.buttonDown, released = !down && app.buttonDown;
    app.buttonDown = down;
    if (!app.paused) {
        return pressed ? Action::Pause : Action::None;
    }
    if (!placed) {
        return Action::None;
    }
    if (pressed) {
        app.pressed = ButtonAt(app.dialog, x, y);
    }
    if (!released) {
        return Action::None;
    }
    const DialogButton button = ButtonAt(app.dialog, x, y) == app.pressed ? app.pressed : DialogButton::None;
    app.pressed = DialogButton::None;
    return button == DialogButton::Ok ? Action::Resume : button == DialogButton::Exit ? Action::End : Action::None;
}

} // namespace

// Text on a console, which takes UCS-2, a piece at a time.
void Say(EFI_SIMPLE_TEXT_OUT_PROTOCOL *console, const char *text)
{
    CHAR16 piece[64];
    while (*text) {
        size_t length = 0;
        while (*text && length + 1 < sizeof piece / sizeof piece[0]) {
            piece[length++] = static_cast<unsigned char>(*text++);
        }
        piece[length] = 0;
        console->OutputString(console, piece);
    }
}

// Any key; at once where the firmware cannot wait for one, as none will come.
void WaitForKey(EFI_SYSTEM_TABLE *system)
{
    EFI_INPUT_KEY key{};
    UINTN which = 0;
    while (system->ConIn->ReadKeyStroke(system->ConIn, &key) != EFI_SUCCESS &&
           system->BootServices->WaitForEvent(1, &system->ConIn->WaitForKey, &which) == EFI_SUCCESS) {
    }
}

// The display and its first mode. False where there is no graphics output.
bool Start(App &app)
{
    EFI_BOOT_SERVICES *boot = app.system->BootServices;
    const EFI_HANDLE handle = ConsoleGraphics(app.system);
    EFI_GRAPHICS_OUTPUT_PROTOCOL *gop = nullptr;
    if (!handle || boot->HandleProtocol(handle, &GraphicsOutputGuid, reinterpret_cast<void **>(&gop)) != EFI_SUCCESS) {
        return false;
    }
    EFI_EDID_ACTIVE_PROTOCOL *edid = nullptr;
    if (boot->HandleProtocol(handle, &EdidActiveGuid, reinterpret_cast<void **>(&edid)) != EFI_SUCCESS) {
        edid = nullptr;
    }
    return StartScreen(app.screen, gop, boot, edid ? PreferredSize(edid->Edid, edid->SizeOfEdid) : EdidSize{});
}

void PaintPattern(const void *, int width, int height, int firstRow, int rowCount, uint32_t *rows)
{
    RenderPatternBand(width, height, firstRow, rowCount, rows);
}

// Until Esc or Exit: EFI_SUCCESS; or Redraw's failure, with app.trouble
// saying what it was; or the firmware's failure to wait for input.
EFI_STATUS Run(App &app)
{
    EFI_SYSTEM_TABLE *system = app.system;
    EFI_EVENT events[3] = {system->ConIn->WaitForKey};
    UINTN count = 1, mouseEvent = 3, touchEvent = 3;
    if (app.mouse) {
        mouseEvent = count;
        events[count++] = app.mouse->WaitForInput;
    }
    if (app.touch) {
        touchEvent = count;
        events[count++] = app.touch->WaitForInput;
    }
    EFI_STATUS status = Redraw(app);
    while (status == EFI_SUCCESS) {
        UINTN which = 0;
        const EFI_STATUS waited = system->BootServices->WaitForEvent(count, events, &which);
        if (waited != EFI_SUCCESS) {
            return waited; // no input will ever come
        }
        EFI_INPUT_KEY key{};
        Action action = Action::None;
        if (which == mouseEvent || which == touchEvent) {
            action = PointerAction(app, which == touchEvent);
        } else if (system->ConIn->ReadKeyStroke(system->ConIn, &key) == EFI_SUCCESS) {
            action = KeyAction(app, key);
        }
        switch (action) {
        case Action::None:
            continue;
        case Action::Pause:
        case Action::Resume:
            app.paused = action == Action::Pause;
            app.pressed = DialogButton::None;
            break;
        case Action::ChangeMode:
            break;
        case Action::End:
            return EFI_SUCCESS;
        }
        status = Redraw(app);
    }
    // Told on the console at the end: the screen cannot show it, as what
    // refused the frame would refuse the dialog too.
    app.trouble = status == EFI_OUT_OF_RESOURCES ? "not enough memory for a band of the screen."
                  : app.screen.mode == NoMode    ? "the display went back to no mode it can show."
                                                 : "the display refused the frame (its Blt failed).";
    return status;
}

// The firmware made ready: the watchdog off, the display and its first mode,
// the pointers, the text cursor hidden. False where there is no graphics output.
bool Open(App &app, EFI_SYSTEM_TABLE *system)
{
    EFI_BOOT_SERVICES *boot = system->BootServices;
    UseBootServices(boot);
    // The boot manager resets the machine after five minutes otherwise.
    boot->SetWatchdogTimer(0, 0, 0, nullptr);
    system->ConIn->Reset(system->ConIn, FALSE);
    app.system = system;
    if (!Start(app)) {
        return false;
    }
    if (boot->HandleProtocol(system->ConsoleInHandle, &SimplePointerGuid, reinterpret_cast<void **>(&app.mouse)) !=
        EFI_SUCCESS) {
        app.mouse = nullptr;
    }
    if (boot->HandleProtocol(system->ConsoleInHandle, &AbsolutePointerGuid, reinterpret_cast<void **>(&app.touch)) !=
        EFI_SUCCESS) {
        app.touch = nullptr;
    }
    EFI_SIMPLE_TEXT_OUT_PROTOCOL *console = system->ConOut;
    app.cursorShown = console->Mode->CursorVisible;
    console->EnableCursor(console, FALSE);
    return true;
}

// The firmware as it was: the mode it booted in, and its console cleared.
void Close(App &app)
{
    LeaveScreen(app.screen);
    EFI_SIMPLE_TEXT_OUT_PROTOCOL *console = app.system->ConOut;
    console->ClearScreen(console);
    console->EnableCursor(console, app.cursorShown);
}

// quorvane.efi: the pattern on a PC with no operating system, from the
// firmware's own graphics output. Space, Enter or a click pauses with the
// dialog; the arrows and the page keys step through the display's modes and
// Home goes back to the one shown first; Esc ends, back to the firmware.

#include "efi/App.h"

extern "C" EFI_STATUS EFIAPI EfiMain(EFI_HANDLE, EFI_SYSTEM_TABLE *system)
{
    App app{};
    if (!Open(app, system)) {
        Say(system->ConOut, "Quorvane: no graphics output on this machine. Press a key to return to the firmware.\r\n");
        WaitForKey(system);
        return EFI_UNSUPPORTED;
    }
    const EFI_STATUS status = Run(app);
    Close(app);
    if (app.trouble) {
        Say(system->ConOut, "Quorvane: ");
        Say(system->ConOut, app.trouble);
        Say(system->ConOut, " Press a key to return to the firmware.\r\n");
        WaitForKey(system);
    }
    return status;
}

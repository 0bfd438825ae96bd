// The C library functions the core and the compiler call, on the firmware's
// Boot Services: memory from its pool, and plain copies.
#pragma once

#include <efi.h>

// Before the first allocation.
void UseBootServices(EFI_BOOT_SERVICES *boot);

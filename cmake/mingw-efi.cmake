# A UEFI application for x86_64 straight from MinGW-w64: the firmware's
# calling convention and a PE32+ file, with no conversion step. Everything,
# the core included, is built freestanding, as the firmware has no C library.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++)
string(JOIN " " CMAKE_CXX_FLAGS_INIT -ffreestanding -fno-exceptions -fno-rtti -fno-stack-protector -mno-red-zone
            -fshort-wchar)
# The compiler checks link nothing: there is no C library to link them with.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(QUORVANE_EFI ON)

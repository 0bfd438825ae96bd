# Windows build (cross-compiled with MinGW-w64).

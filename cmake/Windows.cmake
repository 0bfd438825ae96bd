# Windows build (cross-compiled with MinGW-w64): the program and the tests
# that run it under Wine.

add_library(quorvane_paint STATIC src/pattern/PaintPattern.cpp)
target_link_libraries(quorvane_paint PUBLIC quorvane_pattern)

add_subdirectory(tests/windows)

# Windows build (cross-compiled with MinGW-w64): the program and the tests
# that run it under Wine.
enable_language(RC)

# One small file that needs nothing but the system's DLLs: no C++ runtime,
# no exceptions, no unwind tables. No link time stamp, so that the same sources
# give the same bytes, which a user can compare by their SHA-256.
set(small_program_flags -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-threadsafe-statics
                        -ffunction-sections -fdata-sections)
set(small_program_links -mwindows -s -static -Wl,--gc-sections -Wl,--no-insert-timestamp)

# The painting, built once with the program's flags: the program, the pixel
# test and the paint benchmark all use these very objects.
add_library(quorvane_paint STATIC src/pattern/PaintPattern.cpp)
target_link_libraries(quorvane_paint PUBLIC quorvane_pattern)
target_compile_options(quorvane_paint PRIVATE ${small_program_flags})

add_executable(quorvane WIN32 src/app/Main.cpp src/dialog/PauseDialog.cpp res/quorvane.rc)
target_include_directories(quorvane PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/res)
target_link_libraries(quorvane PRIVATE quorvane_paint)
target_compile_options(quorvane PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${small_program_flags}>)
target_link_options(quorvane PRIVATE ${small_program_links})
set_source_files_properties(res/quorvane.rc PROPERTIES OBJECT_DEPENDS
                            "${CMAKE_SOURCE_DIR}/res/quorvane.ico;${CMAKE_SOURCE_DIR}/res/quorvane.manifest;${CMAKE_SOURCE_DIR}/res/Resource.h")

add_subdirectory(tests/windows)
add_subdirectory(bench/windows)

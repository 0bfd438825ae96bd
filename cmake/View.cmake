# quorvane-view, the pattern natively on Linux, built where SDL2 is found
# (scripts/install-deps.sh view); installed and packaged by Package.cmake.
find_package(SDL2 CONFIG QUIET)
if(NOT SDL2_FOUND)
  message(STATUS "SDL2 not found: quorvane-view is not built (scripts/install-deps.sh view)")
  return()
endif()

# The viewer's own platform-free parts, also under the host unit tests.
add_library(quorvane_view STATIC src/view/ViewOptions.cpp src/view/TechnicianLine.cpp)
target_include_directories(quorvane_view PUBLIC ${CMAKE_SOURCE_DIR}/src)

add_executable(quorvane-view src/view/ViewMain.cpp)
target_link_libraries(quorvane-view PRIVATE quorvane_view quorvane_drawn_dialog quorvane_raster SDL2::SDL2)

# The viewer's start-up benchmark on an X screen (scripts/bench.sh).
find_package(X11)
if(QUORVANE_TESTS AND X11_FOUND)
  add_executable(view_black_window bench/view/BlackWindow.cpp)
  target_link_libraries(view_black_window PRIVATE SDL2::SDL2)
  add_executable(view_start_bench bench/view/ViewStartBench.cpp)
  target_link_libraries(view_start_bench PRIVATE quorvane_raster X11::X11)
endif()

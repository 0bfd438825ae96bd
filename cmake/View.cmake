# quorvane-view, the pattern natively on Linux, built where Debian's libraries
# for each platform are found (scripts/install-deps.sh view): xcb with MIT-SHM
# and RandR for X11, libwayland-client and libxkbcommon for Wayland, libdrm
# for the console; installed and packaged by Package.cmake.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(VIEW_LIBRARIES IMPORTED_TARGET xcb xcb-shm xcb-randr wayland-client xkbcommon libdrm)
  pkg_get_variable(WAYLAND_PROTOCOLS wayland-protocols pkgdatadir)
  find_program(WAYLAND_SCANNER wayland-scanner)
endif()
if(NOT VIEW_LIBRARIES_FOUND OR NOT WAYLAND_PROTOCOLS OR NOT WAYLAND_SCANNER)
  message(STATUS "xcb, xcb-shm, xcb-randr, wayland-client, wayland-protocols, xkbcommon or libdrm not found: "
                 "quorvane-view is not built (scripts/install-deps.sh view)")
  return()
endif()

# The viewer's own platform-free parts, also under the host unit tests.
add_library(quorvane_view STATIC src/view/ViewOptions.cpp src/view/TechnicianLine.cpp src/view/DriverChoice.cpp
                          src/view/ConsoleKeys.cpp)
target_include_directories(quorvane_view PUBLIC ${CMAKE_SOURCE_DIR}/src)

# The Wayland protocols beyond the core one, as Debian's wayland-protocols
# has them (and one of the benchmark's own), turned into C at build time:
# ${name}_code lists each one's code and header.
foreach(xml ${WAYLAND_PROTOCOLS}/stable/xdg-shell/xdg-shell.xml ${WAYLAND_PROTOCOLS}/stable/viewporter/viewporter.xml
            ${WAYLAND_PROTOCOLS}/unstable/xdg-output/xdg-output-unstable-v1.xml
            ${CMAKE_SOURCE_DIR}/bench/view/wlr-screencopy.xml)
  get_filename_component(name ${xml} NAME_WE)
  add_custom_command(OUTPUT ${name}-client-protocol.h ${name}-protocol.c
                     COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${name}-client-protocol.h
                     COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${name}-protocol.c
                     DEPENDS ${xml})
  set(${name}_code ${CMAKE_CURRENT_BINARY_DIR}/${name}-protocol.c ${CMAKE_CURRENT_BINARY_DIR}/${name}-client-protocol.h)
endforeach()

add_executable(quorvane-view src/view/ViewMain.cpp src/view/Video.cpp src/view/VideoX11.cpp
                             src/view/VideoWayland.cpp src/view/VideoConsole.cpp ${xdg-shell_code} ${viewporter_code}
                             ${xdg-output-unstable-v1_code})
target_include_directories(quorvane-view PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
target_link_libraries(quorvane-view PRIVATE quorvane_view quorvane_drawn_dialog quorvane_raster
                                            PkgConfig::VIEW_LIBRARIES)
# Nothing linked that the viewer does not call.
target_link_options(quorvane-view PRIVATE -Wl,--as-needed)

# The viewer's start-up benchmark and the bare clients it is held against
# (scripts/bench.sh).
find_package(X11)
if(QUORVANE_TESTS AND X11_FOUND)
  add_executable(view_bare_x11 bench/view/BareX11.cpp)
  add_executable(view_bare_wayland bench/view/BareWayland.cpp ${xdg-shell_code})
  add_executable(view_bare_console bench/view/BareConsole.cpp)
  add_executable(view_start_bench bench/view/ViewStartBench.cpp ${wlr-screencopy_code})
  foreach(target view_bare_x11 view_bare_wayland view_bare_console view_start_bench)
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
    target_link_libraries(${target} PRIVATE PkgConfig::VIEW_LIBRARIES)
    target_link_options(${target} PRIVATE -Wl,--as-needed)
  endforeach()
  target_link_libraries(view_start_bench PRIVATE quorvane_raster X11::X11)
endif()

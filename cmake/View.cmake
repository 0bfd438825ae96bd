# quorvane-view, the pattern natively on Linux, built where SDL2 is found
# (scripts/install-deps.sh view), with its install rules and .deb package.
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

# Installing like a Linux program: both commands in bin, and a desktop entry
# with its icon in the freedesktop places so the viewer is in the menu.
include(GNUInstallDirs)
install(TARGETS quorvane-view quorvane-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/quorvane-view.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
set(icons)
foreach(side 32 64 128 256)
  set(icon ${CMAKE_BINARY_DIR}/icons/${side}/quorvane.png)
  add_custom_command(OUTPUT ${icon} COMMAND ${CMAKE_COMMAND} -E make_directory icons/${side}
                     COMMAND quorvane-icon ${icon} ${side} DEPENDS quorvane-icon VERBATIM)
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${side}x${side}/apps)
  list(APPEND icons ${icon})
endforeach()
add_custom_target(quorvane-view-icons ALL DEPENDS ${icons})

# cpack -G DEB: the dependencies are the shared libraries' packages, as
# dpkg-shlibdeps finds them.
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_CONTACT "The Quorvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "display test pattern drawn exact to the physical pixel")
set(CPACK_PACKAGE_DESCRIPTION "quorvane-view fills a display with the Quorvane Pattern, one pattern pixel on\n\
one display pixel: on X11, on Wayland (with display scaling too, wherever the\n\
scaled size is whole) and on the console. quorvane-render writes the same\n\
pattern as a PNG of any size.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The viewer's start-up benchmark on an X screen (scripts/bench.sh).
find_package(X11)
if(QUORVANE_TESTS AND X11_FOUND)
  add_executable(view_black_window bench/view/BlackWindow.cpp)
  target_link_libraries(view_black_window PRIVATE SDL2::SDL2)
  add_executable(view_start_bench bench/view/ViewStartBench.cpp)
  target_link_libraries(view_start_bench PRIVATE quorvane_raster X11::X11)
endif()

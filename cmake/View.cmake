# quorvane-view, the pattern natively on Linux, built where SDL2 is found
# (scripts/install-deps.sh view), with its install rules and .deb package.
find_package(SDL2 CONFIG QUIET)
if(NOT SDL2_FOUND)
  message(STATUS "SDL2 not found: quorvane-view is not built (scripts/install-deps.sh view)")
  return()
endif()

# The platform-free parts, also under the host unit tests.
add_library(quorvane_view STATIC src/view/ViewOptions.cpp src/view/ViewDialog.cpp src/view/BitmapFont.cpp
                                 src/view/TechnicianLine.cpp)
target_link_libraries(quorvane_view PUBLIC quorvane_icon)

add_executable(quorvane-view src/view/ViewMain.cpp)
target_link_libraries(quorvane-view PRIVATE quorvane_view SDL2::SDL2)

# Installing like a Debian program, and the .deb that cpack -G DEB makes of
# it: quorvane-render always; quorvane-view, its desktop entry, icons and
# software-centre metadata where the viewer is built.
include(GNUInstallDirs)

set(QUORVANE_PACKAGE_MAINTAINER "The Quorvane developers <developers@quorvane.org>"
    CACHE STRING "The package's maintainer, a name and an address: where reports about it go")
# The day this version was released: the changelog's date and the metainfo's.
set(QUORVANE_RELEASE_DATE 2026-12-09)

set(packaged_commands quorvane-render)
if(TARGET quorvane-view)
  list(APPEND packaged_commands quorvane-view)
endif()

# Built as Debian builds its packages: fortified libc calls, and relocations
# read-only, bound at start-up.
foreach(command ${packaged_commands})
  target_compile_definitions(${command} PRIVATE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  target_link_options(${command} PRIVATE -Wl,-z,relro,-z,now)
endforeach()

install(TARGETS ${packaged_commands} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian's copyright file, in its machine-readable format, made from LICENSE.
file(READ LICENSE licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE)
string(REGEX REPLACE ".*Copyright \\(c\\) ([^\n]*).*" "\\1" holders "${licence}")
string(FIND "${licence}" "Permission is hereby granted" grant)
string(SUBSTRING "${licence}" ${grant} -1 terms)
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms " ${terms}")
file(CONFIGURE OUTPUT package/copyright @ONLY CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: quorvane

Files: *
Copyright: @holders@
License: Expat
@terms@
")
install(FILES ${CMAKE_BINARY_DIR}/package/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The changelog's newest entry takes this version and the release date; a new
# release adds its entry above the last one, whose version it then spells out.
execute_process(COMMAND date -u -R -d ${QUORVANE_RELEASE_DATE} OUTPUT_VARIABLE changelog_date
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(res/changelog.in package/changelog @ONLY)

# Gzipped as Debian wants them: the most compression, and no name or time
# inside, so that two builds give the same bytes.
set(gzipped)
function(install_gzipped plain destination)
  get_filename_component(name ${plain} NAME)
  set(packed ${CMAKE_BINARY_DIR}/package/${name}.gz)
  add_custom_command(OUTPUT ${packed} COMMAND gzip -n -9 -c ${plain} > ${packed} DEPENDS ${plain})
  install(FILES ${packed} DESTINATION ${destination})
  set(gzipped ${gzipped} ${packed} PARENT_SCOPE)
endfunction()
install_gzipped(${CMAKE_BINARY_DIR}/package/changelog ${CMAKE_INSTALL_DOCDIR})
foreach(command ${packaged_commands})
  install_gzipped(${CMAKE_SOURCE_DIR}/docs/man/${command}.1 ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(quorvane-package-files ALL DEPENDS ${gzipped})

if(TARGET quorvane-view)
  # The viewer in the application menu and in software centres, with its icon
  # in the freedesktop places.
  install(FILES res/quorvane-view.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(res/org.quorvane.view.metainfo.xml.in package/org.quorvane.view.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/package/org.quorvane.view.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  set(icons)
  foreach(side 32 64 128 256)
    set(icon ${CMAKE_BINARY_DIR}/icons/${side}/quorvane.png)
    add_custom_command(OUTPUT ${icon} COMMAND ${CMAKE_COMMAND} -E make_directory icons/${side}
                       COMMAND quorvane-icon ${icon} ${side} DEPENDS quorvane-icon VERBATIM)
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${side}x${side}/apps)
    list(APPEND icons ${icon})
  endforeach()
  add_custom_target(quorvane-view-icons ALL DEPENDS ${icons})
endif()

# cpack -G DEB: the dependencies are the shared libraries' packages, as
# dpkg-shlibdeps finds them.
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_CONTACT "${QUORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "display test pattern drawn exact to the physical pixel")
if(TARGET quorvane-view)
  set(CPACK_PACKAGE_DESCRIPTION "quorvane-view fills a display with the Quorvane Pattern, one pattern pixel on\n\
one display pixel: on X11, on Wayland (with display scaling too, wherever the\n\
scaled size is whole) and on the console. quorvane-render writes the same\n\
pattern as a PNG of any size.")
else()
  set(CPACK_PACKAGE_DESCRIPTION "quorvane-render writes the Quorvane Pattern, a display test pattern whose\n\
one-pixel lines are each one pixel of the image, as a PNG of any size.")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/PackageModes.cmake)
include(CPack)

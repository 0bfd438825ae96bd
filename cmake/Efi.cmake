# quorvane.efi, the pattern on a PC with no operating system, and the image
# of a USB stick that starts it. gnu-efi's headers declare the firmware's
# tables; its library is not linked, as everything comes from the system
# table the firmware hands over.
find_path(EFI_INCLUDE_DIR efi.h PATHS /usr/include/efi NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(efi_includes ${EFI_INCLUDE_DIR} ${EFI_INCLUDE_DIR}/x86_64)
# Small: the core too is built for size, without unwind tables (nothing
# unwinds), and what nothing calls is left out.
set(efi_compile -Os -fno-asynchronous-unwind-tables -ffunction-sections -fdata-sections)
foreach(core quorvane_raster quorvane_icon quorvane_drawn_dialog)
  target_compile_options(${core} PRIVATE ${efi_compile})
endforeach()
# No Windows libraries, no import table, and no link time stamp, so that the
# same sources give the same bytes.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(efi_script ${CMAKE_SOURCE_DIR}/src/efi/quorvane-efi.ld)
set(efi_links -nostdlib -Wl,--subsystem,10 -s -Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,-T,${efi_script})
set_source_files_properties(src/efi/Freestanding.cpp PROPERTIES COMPILE_OPTIONS -fno-tree-loop-distribute-patterns)

# The application, and its benchmark builds (bench/efi/efi-bench.sh): the
# application from an entry of their own that times its first frame, the
# pattern's or one colour's, at two sizes.
set(efi_builds quorvane)
foreach(size 1920x1080 3840x2160)
  foreach(first pattern colour)
    list(APPEND efi_builds quorvane-bench-${size}-${first})
  endforeach()
endforeach()
foreach(name ${efi_builds})
  if(name MATCHES "bench-([0-9]+)x([0-9]+)-(.*)")
    add_executable(${name} bench/efi/EfiBench.cpp)
    target_link_options(${name} PRIVATE -e EfiBenchMain)
    target_compile_definitions(${name} PRIVATE QUORVANE_EFI_BENCH_WIDTH=${CMAKE_MATCH_1}
                                               QUORVANE_EFI_BENCH_HEIGHT=${CMAKE_MATCH_2})
    if(CMAKE_MATCH_3 STREQUAL colour)
      target_compile_definitions(${name} PRIVATE QUORVANE_EFI_BENCH_COLOUR)
    endif()
  else()
    add_executable(${name} src/efi/EfiMain.cpp)
    target_link_options(${name} PRIVATE -e EfiMain)
  endif()
  target_sources(${name} PRIVATE src/efi/App.cpp src/efi/Screen.cpp src/efi/Edid.cpp src/efi/Freestanding.cpp)
  set_target_properties(${name} PROPERTIES SUFFIX .efi)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_include_directories(${name} SYSTEM PRIVATE ${efi_includes})
  target_link_libraries(${name} PRIVATE quorvane_drawn_dialog quorvane_raster gcc)
  target_compile_options(${name} PRIVATE ${efi_compile})
  target_link_options(${name} PRIVATE ${efi_links})
  set_target_properties(${name} PROPERTIES LINK_DEPENDS ${efi_script})
endforeach()

set(image ${CMAKE_BINARY_DIR}/quorvane-usb.img)
add_custom_command(OUTPUT ${image} COMMAND ${CMAKE_SOURCE_DIR}/cmake/usb-image.sh $<TARGET_FILE:quorvane> ${image}
                   DEPENDS quorvane cmake/usb-image.sh COMMENT "The USB stick's image: ${image}")
add_custom_target(quorvane_usb_image ALL DEPENDS ${image})
add_subdirectory(tests/efi)

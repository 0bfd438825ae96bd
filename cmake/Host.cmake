# Host build: the renderer, the icon generator, the native viewer, the unit
# tests and the benchmarks.
option(QUORVANE_TESTS "Build the unit tests and benchmarks (needs GoogleTest and Google Benchmark)" ON)
find_package(PNG REQUIRED)
# The version each command's --version prints.
add_compile_definitions(QUORVANE_VERSION="${PROJECT_VERSION}")

# The drawing list as text: quorvane-render's --ops, and how the tests read
# the list.
add_library(quorvane_ops_text STATIC src/render/OpsText.cpp)
target_link_libraries(quorvane_ops_text PUBLIC quorvane_pattern)
add_executable(quorvane-render src/render/RenderMain.cpp src/render/PngWriter.cpp src/render/OutputFile.cpp)
target_link_libraries(quorvane-render PRIVATE quorvane_raster quorvane_ops_text PNG::PNG)

add_executable(quorvane-icon tools/icon/MakeIcon.cpp)
target_link_libraries(quorvane-icon PRIVATE quorvane_icon PNG::PNG)

# The native viewer, where its libraries are there to build it.
include(cmake/View.cmake)
# Both commands installed, and packaged as a .deb.
include(cmake/Package.cmake)

if(NOT QUORVANE_TESTS)
  return()
endif()
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
include(GoogleTest)
add_subdirectory(tests/host)
add_subdirectory(bench)
if(TARGET quorvane-view)
  add_subdirectory(tests/view)
endif()

# The committed icon must be what the generator makes.
add_test(NAME icon_is_regenerated_byte_for_byte
         COMMAND ${CMAKE_COMMAND} -DGENERATOR=$<TARGET_FILE:quorvane-icon> -DCOMMITTED=${CMAKE_SOURCE_DIR}/res/quorvane.ico
                 -DSCRATCH=${CMAKE_BINARY_DIR}/regenerated.ico -P ${CMAKE_SOURCE_DIR}/cmake/CompareIcon.cmake)

# The .deb as Debian's tools judge it, and its commands' manual pages.
add_test(NAME package COMMAND ${CMAKE_SOURCE_DIR}/tests/package/package-test.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION}
                              ${packaged_commands})
set_tests_properties(package PROPERTIES LABELS package SKIP_REGULAR_EXPRESSION "^skipped: ")

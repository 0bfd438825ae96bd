# The web page: the core compiled to WebAssembly and put, with the page's own
# script and the program's icon, into one self-contained HTML file.
add_executable(quorvane_core src/web/WebMain.cpp)
target_link_libraries(quorvane_core PRIVATE quorvane_raster)
target_compile_options(quorvane_core PRIVATE -fno-exceptions -fno-rtti)
# With bulk memory the rasteriser's row copies are single instructions that
# the browser runs at native speed; every current browser has it.
target_compile_options(quorvane_raster PRIVATE -mbulk-memory)
# A module of its own, without Emscripten's JavaScript runtime: the page
# instantiates it directly, and so can a test under Node.
target_link_options(quorvane_core PRIVATE -sSTANDALONE_WASM --no-entry -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2GB)
set_target_properties(quorvane_core PROPERTIES SUFFIX .wasm)

set(page ${CMAKE_BINARY_DIR}/quorvane.html)
add_custom_command(OUTPUT ${page}
                   COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${CMAKE_SOURCE_DIR}/src/web/quorvane.html
                           -DCORE=$<TARGET_FILE:quorvane_core> -DICON=${CMAKE_SOURCE_DIR}/res/quorvane.ico
                           -DOUTPUT=${page} -P ${CMAKE_SOURCE_DIR}/cmake/WebPage.cmake
                   DEPENDS quorvane_core src/web/quorvane.html res/quorvane.ico cmake/WebPage.cmake
                   COMMENT "Putting the page together: ${page}")
add_custom_target(quorvane_page ALL DEPENDS ${page})

add_subdirectory(tests/web)

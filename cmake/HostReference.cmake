# The host preset's quorvane-render, which other presets' tests hold their
# pixels against, and a test that the others need first: it fails where that
# renderer is missing or older than the code it is built from, as an old
# build would hold the screens against an old picture.
set(QUORVANE_RENDER ${CMAKE_SOURCE_DIR}/build/host/quorvane-render CACHE FILEPATH
    "The native renderer the screens are held against, from the host preset")
add_test(NAME host_reference_is_current
         COMMAND ${CMAKE_COMMAND} -DTOOLS=${QUORVANE_RENDER}
                 "-DFOLDERS=${CMAKE_SOURCE_DIR}/src/pattern;${CMAKE_SOURCE_DIR}/src/raster;${CMAKE_SOURCE_DIR}/src/render"
                 -P ${CMAKE_SOURCE_DIR}/cmake/CheckReference.cmake)
set_tests_properties(host_reference_is_current PROPERTIES FIXTURES_SETUP host_reference)

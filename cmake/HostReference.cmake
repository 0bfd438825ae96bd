# The host preset's programs that other presets' tests hold their pixels
# against, and for each a test that those tests need first: it fails where
# the program is older than the code it is built from, as an old build would
# hold the screens against an old picture, or where it is missing and
# REQUIRED.
set(QUORVANE_RENDER ${CMAKE_SOURCE_DIR}/build/host/quorvane-render CACHE FILEPATH
    "The native renderer the screens are held against, from the host preset")

# host_reference(NAME PROGRAM [REQUIRED] SOURCE...), each source a file or a
# folder of the source tree.
function(host_reference name program)
  set(required 0)
  if(ARGV2 STREQUAL "REQUIRED")
    set(required 1)
    list(REMOVE_AT ARGN 0)
  endif()
  list(TRANSFORM ARGN PREPEND ${CMAKE_SOURCE_DIR}/)
  add_test(NAME ${name}_is_current
           COMMAND ${CMAKE_COMMAND} -DPROGRAM=${program} -DREQUIRED=${required} "-DSOURCES=${ARGN}"
                   -P ${CMAKE_SOURCE_DIR}/cmake/CheckReference.cmake)
  set_tests_properties(${name}_is_current PROPERTIES FIXTURES_SETUP host_reference)
endfunction()

host_reference(quorvane_render ${QUORVANE_RENDER} REQUIRED src/pattern/PatternLayout.h src/pattern/PatternOp.h src/raster
               src/render)

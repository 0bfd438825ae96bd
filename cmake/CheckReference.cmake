# cmake -DPROGRAM=P -DREQUIRED=0|1 -DSOURCES="X;Y" -P CheckReference.cmake:
# fails unless the program is newer than every source it is built from, the
# files named and those in the folders named; a missing program fails only
# where it is required.
if(NOT EXISTS ${PROGRAM})
  if(REQUIRED)
    message(FATAL_ERROR "${PROGRAM} is missing: build the host preset first (cmake --build --preset host)")
  endif()
  return()
endif()
foreach(named ${SOURCES})
  set(sources ${named})
  if(IS_DIRECTORY ${named})
    file(GLOB_RECURSE sources ${named}/*)
  endif()
  foreach(source ${sources})
    if(${source} IS_NEWER_THAN ${PROGRAM})
      message(FATAL_ERROR "${PROGRAM} is older than ${source}: build the host preset again (cmake --build --preset host)")
    endif()
  endforeach()
endforeach()

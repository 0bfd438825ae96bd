# cmake -DPROGRAM=P -DREQUIRED=0|1 -DFOLDERS="X;Y" -P CheckReference.cmake:
# fails unless the program is newer than every file in the folders it is
# built from; a missing program fails only where it is required.
if(NOT EXISTS ${PROGRAM})
  if(REQUIRED)
    message(FATAL_ERROR "${PROGRAM} is missing: build the host preset first (cmake --build --preset host)")
  endif()
  return()
endif()
foreach(folder ${FOLDERS})
  file(GLOB_RECURSE sources ${folder}/*)
  foreach(source ${sources})
    if(${source} IS_NEWER_THAN ${PROGRAM})
      message(FATAL_ERROR "${PROGRAM} is older than ${source}: build the host preset again (cmake --build --preset host)")
    endif()
  endforeach()
endforeach()

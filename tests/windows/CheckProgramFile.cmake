# quorvane.exe must be one small file that imports nothing but system DLLs,
# without a link time stamp (so that the same sources give the same bytes).
# The size limit holds for the 32-bit release; CHECK_SIZE is off for others.
cmake_minimum_required(VERSION 3.25)
file(SIZE ${PROGRAM} size)
if(CHECK_SIZE AND size GREATER 32768)
  message(FATAL_ERROR "${PROGRAM} is ${size} bytes, over 32 KiB")
endif()
# objdump prints the time stamp in local time.
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read the headers of ${PROGRAM}")
endif()
if(NOT headers MATCHES "\nTime/Date[\t ]+Thu Jan  1 00:00:00 1970\n")
  message(FATAL_ERROR "${PROGRAM} has a link time stamp, so no two builds are alike")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
set(allowed "DLL Name: KERNEL32.dll;DLL Name: USER32.dll;DLL Name: GDI32.dll;DLL Name: msvcrt.dll")
foreach(import IN LISTS imports)
  if(NOT import IN_LIST allowed)
    message(FATAL_ERROR "${PROGRAM} imports a DLL it may not: ${import}")
  endif()
endforeach()
message(STATUS "${PROGRAM}: ${size} bytes, ${imports}")

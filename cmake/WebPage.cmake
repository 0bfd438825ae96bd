# Fills the page's template with the core and the icon, each as base64, and
# checks that the one file stays small.
foreach(part CORE ICON)
  execute_process(COMMAND base64 -w 0 ${${part}} OUTPUT_VARIABLE QUORVANE_${part} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot read ${${part}}")
  endif()
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
file(SIZE ${OUTPUT} size)
if(size GREATER 65536)
  message(FATAL_ERROR "${OUTPUT} is ${size} bytes, over 64 KiB")
endif()

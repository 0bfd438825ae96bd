# Run by cpack on its staging tree before packing it: CMake creates the
# installed folders through the umask, and a .deb's folders must be 755
# whoever builds it.
file(GLOB_RECURSE folders LIST_DIRECTORIES true ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*)
foreach(folder ${folders})
  if(IS_DIRECTORY ${folder})
    file(CHMOD ${folder} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                               WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()

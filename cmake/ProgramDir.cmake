# The program directory: every program, library and table file in one folder,
# with its working directory "wks", as the system expects. The build lays it out
# for the tests and the demo; `cmake --install` produces the same layout.
set(PMSI_PROGRAM_DIR ${CMAKE_BINARY_DIR}/prog CACHE INTERNAL "")
file(MAKE_DIRECTORY ${PMSI_PROGRAM_DIR}/wks)
install(DIRECTORY DESTINATION wks)

# pmsi_program(target): an executable or shared library that ships in the
# program directory.
function(pmsi_program target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${PMSI_PROGRAM_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${PMSI_PROGRAM_DIR})
  if(WIN32)
    # crclavix.dll, sortsol.dll: the names the callers load.
    set_target_properties(${target} PROPERTIES PREFIX "")
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION . LIBRARY DESTINATION .)
endfunction()

# pmsi_data_file(path): a data file copied into the program directory.
function(pmsi_data_file path)
  get_filename_component(name ${path} NAME)
  configure_file(${path} ${PMSI_PROGRAM_DIR}/${name} COPYONLY)
  install(FILES ${path} DESTINATION .)
endfunction()

# Adds every immediate subfolder that has a CMakeLists.txt.
function(pmsi_add_subfolders)
  file(GLOB entries LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(entry IN LISTS entries)
    if(IS_DIRECTORY ${entry} AND EXISTS ${entry}/CMakeLists.txt)
      add_subdirectory(${entry})
    endif()
  endforeach()
endfunction()

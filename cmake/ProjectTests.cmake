# GoogleTest: Debian's prebuilt libraries natively; built from Debian's sources
# (/usr/src/googletest) in the Windows cross build.
if(CMAKE_CROSSCOMPILING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE -w)
  endforeach()
  # Debian's googletest sources define these aliases themselves.
  foreach(t gtest gtest_main gmock)
    if(NOT TARGET GTest::${t})
      add_library(GTest::${t} ALIAS ${t})
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# pmsi_test(name SOURCES src... [LIBS lib...])
# Natively every test case is its own ctest entry. Under the cross build every
# binary is one entry: each wine start costs seconds.
function(pmsi_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock pmsi_options)
  target_compile_definitions(${name} PRIVATE
    PMSI_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    PMSI_PROGRAM_DIR="${PMSI_PROGRAM_DIR}")
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()

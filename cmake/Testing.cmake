# GoogleTest is built from Debian's sources for whichever target is being built, so the
# same unit tests run natively and, cross-built, under Wine.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

# kestrel_add_test(NAME SOURCES... LIBRARIES...): one test program. Natively every test
# case is its own ctest entry; under Wine the whole program is one entry, because
# starting Wine once per case would cost more than the tests.
function(kestrel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBRARIES;RESOURCES;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBRARIES} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(T_RESOURCES)
    kestrel_add_resources(${name} ${T_RESOURCES})
  endif()
  if(KESTREL_WIN32)
    add_test(NAME ${name} COMMAND ${name})
    # Programs under Wine share the prefix's Windows directory (settings files): one at
    # a time.
    set_tests_properties(${name} PROPERTIES LABELS "wine;${T_LABELS}" TIMEOUT 900
      RESOURCE_LOCK wine_windows_directory)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "native;${T_LABELS}" TIMEOUT 600)
  endif()
endfunction()

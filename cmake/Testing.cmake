# GoogleTest, built from source with the project's own compiler so the same
# tests build natively and for Windows.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(GoogleTest)

if(CMAKE_CROSSCOMPILING AND WIN32)
  add_test(NAME wine_session_start
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session.sh start ${WINE_SESSION_DIR}
                   ${WINDOWS_ARCH})
  add_test(NAME wine_session_stop
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session.sh stop ${WINE_SESSION_DIR})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

  if(WINDOWS_ARCH STREQUAL "win32")
    add_test(NAME skipped_wine_run_is_no_pass
             COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/skip_test.sh ${PROJECT_SOURCE_DIR}/scripts)
    # Said once here; the test run decides again, and each skipped test's
    # output says why.
    execute_process(COMMAND bash -c "source scripts/wine-env.sh && runs_32bit_programs ||
                                     echo \"$NO_32BIT_LINE ($NO_32BIT_REASON)\""
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE no_32bit
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(no_32bit)
      message(STATUS "Wine tests will be skipped: ${no_32bit}")
    endif()
  endif()
endif()

# Marks tests that run under Wine: they need the session, and are skipped,
# never passed, where the session's Wine cannot run programs (wine-run.sh).
function(planchoice_runs_under_wine)
  set_tests_properties(${ARGN} PROPERTIES FIXTURES_REQUIRED wine SKIP_RETURN_CODE 77)
endfunction()

# Registers a GoogleTest program with CTest, and links it with GoogleTest's
# main(). Natively each test case becomes a
# CTest test; under Wine the program runs once, as listing its cases would need
# the Wine session before the session exists. Windows test programs also go
# into the test kit (cmake/TestKit.cmake).
function(planchoice_add_gtest target)
  set_property(GLOBAL APPEND PROPERTY PLANCHOICE_TEST_PROGRAMS ${target})
  target_link_libraries(${target} PRIVATE GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING AND WIN32)
    add_test(NAME ${target} COMMAND ${target} --gtest_color=no)
    set_tests_properties(${target} PROPERTIES TIMEOUT 600)
    planchoice_runs_under_wine(${target})
  else()
    gtest_discover_tests(${target} TEST_PREFIX "${target}." DISCOVERY_TIMEOUT 30
                         PROPERTIES TIMEOUT 600)
  endif()
endfunction()

# Names `file` (a path, or a generator expression such as $<TARGET_FILE:...>)
# as a file the tests work on, made by the target `made_by` if one is given.
# Test programs find it by `name` in the table files-under-test.txt at the
# top of the build tree (and of the test kit), which gives its path relative
# to the table: BuildOutput() in tests/support/build_output.h.
#   planchoice_file_under_test(name file [made_by])
function(planchoice_file_under_test name file)
  set_property(GLOBAL APPEND PROPERTY PLANCHOICE_FILES_UNDER_TEST "${name}=${file}")
  set_property(GLOBAL APPEND PROPERTY PLANCHOICE_FILES_UNDER_TEST_MADE_BY ${ARGN})
endfunction()

# Once every directory has registered its files and test programs: the table,
# and on Windows the test kit.
function(planchoice_finish_tests)
  get_property(files GLOBAL PROPERTY PLANCHOICE_FILES_UNDER_TEST)
  set(table "")
  foreach(entry IN LISTS files)
    string(REGEX REPLACE "=.*" "" name "${entry}")
    string(REGEX REPLACE "^[^=]*=" "" file "${entry}")
    string(APPEND table "${name}=$<PATH:RELATIVE_PATH,${file},${PROJECT_BINARY_DIR}>\n")
  endforeach()
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/files-under-test.txt CONTENT "${table}")
  if(WIN32)
    include(${PROJECT_SOURCE_DIR}/cmake/TestKit.cmake)
    planchoice_test_kit("${files}")
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL planchoice_finish_tests)

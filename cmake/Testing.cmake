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

# Registers a GoogleTest program with CTest. Natively each test case becomes a
# CTest test; under Wine the program runs once, as listing its cases would need
# the Wine session before the session exists.
function(planchoice_add_gtest target)
  if(CMAKE_CROSSCOMPILING AND WIN32)
    add_test(NAME ${target} COMMAND ${target} --gtest_color=no)
    set_tests_properties(${target} PROPERTIES TIMEOUT 600)
    planchoice_runs_under_wine(${target})
  else()
    gtest_discover_tests(${target} TEST_PREFIX "${target}." DISCOVERY_TIMEOUT 30
                         PROPERTIES TIMEOUT 600)
  endif()
endfunction()

# GoogleTest, built from source with the project's own compiler so the same
# tests build natively and for Windows.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(GoogleTest)

if(CMAKE_CROSSCOMPILING AND WIN32)
  add_test(NAME wine_session_start
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session.sh start ${WINE_SESSION_DIR})
  add_test(NAME wine_session_stop
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session.sh stop ${WINE_SESSION_DIR})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# Registers a GoogleTest program with CTest. Natively each test case becomes a
# CTest test; under Wine the program runs once, as listing its cases would need
# the Wine session before the session exists.
function(planchoice_add_gtest target)
  if(CMAKE_CROSSCOMPILING AND WIN32)
    add_test(NAME ${target} COMMAND ${target} --gtest_color=no)
    set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
  else()
    gtest_discover_tests(${target} TEST_PREFIX "${target}." DISCOVERY_TIMEOUT 30
                         PROPERTIES TIMEOUT 600)
  endif()
endfunction()
